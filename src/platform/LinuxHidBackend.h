#pragma once

#include <QSet>
#include <QString>
#include <memory>

#include "HidBackend.h"

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace karvo {

// HID access on Linux: hidraw nodes found through libudev, hot-plug from the udev monitor in
// the event loop, and channels that read with poll() and write whole reports. This is the only
// code that touches device file descriptors and libudev.
class LinuxHidBackend : public HidBackend {
    Q_OBJECT
public:
    explicit LinuxHidBackend(QObject* parent = nullptr);
    ~LinuxHidBackend() override;

    // The hidraw nodes present, ordered by path with node numbers compared as numbers.
    QList<HidDeviceInfo> scan() override;

    // Opens the node read-write; nullptr and the system's error text when that is refused.
    std::unique_ptr<HidChannel> open(const QString& path, QString* error) override;

    // Whether hot-plug notifications arrive (false without udevd, as in many containers).

    // Parses the HID_ID property of a hid device, "0003:00009999:00001234" (bus, vendor and
    // product in hex). False for any other text.
    static bool parseHidId(const QString& hidId, quint16* vendorId, quint16* productId);

    // Orders device paths by their text, the trailing node numbers compared as numbers, so
    // "/dev/hidraw2" comes before "/dev/hidraw10".
    static bool pathLessThan(const QString& left, const QString& right);

private:
    void startMonitor();
    void onMonitorReadable();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    QSet<QString> reportedProblems_;  // node problems already logged
};

}  // namespace karvo
