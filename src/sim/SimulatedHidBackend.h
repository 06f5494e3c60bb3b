#pragma once

#include <QList>
#include <QString>
#include <memory>

#include "HidBackend.h"
#include "WheelBaseDescriptor.h"

namespace karvo {

class SimulatedPlug;
class WheelBaseFirmware;

// A HID backend of simulated devices: wheel bases with a firmware model behind them, and other
// HID devices that never say anything. Devices are listed in plug order; every plug-in gets a
// new path ("sim:wheel-1", "sim:hid-2", ...), so a device plugged in again is a new node.
// scan(), open() and the plug calls belong to the GUI thread; channels are read on reader
// threads.
class SimulatedHidBackend : public HidBackend {
    Q_OBJECT
public:
    static constexpr quint16 kWheelBaseProductId = 0x0F01;
    static constexpr const char* kWheelBaseProductName = "Karvo Simulated Wheel Base";

    explicit SimulatedHidBackend(QObject* parent = nullptr);
    ~SimulatedHidBackend() override;

    // Plugs in a wheel base (a new firmware unless one is given); returns its path.
    QString plugWheelBase(std::shared_ptr<WheelBaseFirmware> firmware = nullptr);
    // Plugs in some other HID device, which never sends a report; returns its path.
    QString plugDevice(quint16 vendorId, const QString& productName);
    // Removes a device; its open channels report Gone at their next read. Unknown paths are
    // ignored.
    void unplug(const QString& path);
    // While denied, open() refuses the device as a node without access rights would.
    void setAccessDenied(const QString& path, bool denied);
    // Whether plugging and unplugging raise devicesChanged() (queued, as udev's notification
    // arrives through the event loop). On by default.
    void setNotifications(bool on);

    std::shared_ptr<WheelBaseFirmware> firmware(const QString& path) const;  // nullptr if none

    QList<HidDeviceInfo> scan() override;
    std::unique_ptr<HidChannel> open(const QString& path, QString* error) override;

private:
    struct Device {
        HidDeviceInfo info;
        std::shared_ptr<WheelBaseFirmware> firmware;
        std::shared_ptr<SimulatedPlug> plug;
        bool accessDenied = false;
    };

    QString plug(Device device, const QString& kind);
    void notify();
    Device* find(const QString& path);
    const Device* find(const QString& path) const;

    QList<Device> devices_;
    int nextNumber_ = 1;
    bool notifications_ = true;
};

}  // namespace karvo
