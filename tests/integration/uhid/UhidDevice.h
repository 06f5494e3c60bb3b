#pragma once

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <memory>
#include <span>
#include <thread>

namespace karvo {
class WheelBaseFirmware;
}

// A wheel base made of the simulated firmware behind the kernel's user-space HID driver
// (/dev/uhid): the kernel creates a real hid device with a hidraw node for it, output reports
// written to that node reach the firmware, and the firmware's input reports become the
// device's input reports. Destroying the device is an unplug.
class UhidDevice {
public:
    static constexpr quint16 kVendorId = 0x9999;
    static constexpr quint16 kProductId = 0x0F01;
    static constexpr const char* kName = "Karvo Wheel Base (uhid)";

    explicit UhidDevice(std::shared_ptr<karvo::WheelBaseFirmware> firmware);
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // Whether /dev/uhid can be opened here; why not otherwise.
    static bool isAvailable(QString* why);

    // Creates the kernel device. False, with the reason, when that fails.
    bool plug(QString* error);
    // Destroys it: the kernel removes the hid device and its hidraw node.
    void unplug();
    bool isPlugged() const { return uhidFd_ >= 0; }

    // Whether the kernel has bound a driver to the device (its start event has come).
    bool isStarted() const { return started_; }
    int inputReportsRefused() const { return inputReportsRefused_; }

private:
    void eventLoop();
    void inputPump();
    bool writeEvent(std::span<const quint8> event);
    void answerReportRequest(std::span<const quint8> request, quint32 replyType);

    std::shared_ptr<karvo::WheelBaseFirmware> firmware_;
    int uhidFd_ = -1;
    int stopFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> started_{false};
    std::atomic<int> inputReportsRefused_{0};
    std::thread events_;
    std::thread pump_;
};
