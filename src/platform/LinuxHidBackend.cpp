#include "LinuxHidBackend.h"

#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QLoggingCategory>
#include <QSet>
#include <QSocketNotifier>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <span>

#include "ReportDescriptor.h"

Q_LOGGING_CATEGORY(lcLinuxHid, "karvo.hid.linux", QtWarningMsg)

namespace karvo {

namespace {

// The kernel keeps report descriptors of at most this many bytes.
constexpr qint64 kMaxDescriptorBytes = 4096;

struct UdevDeviceUnref {
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
struct UdevEnumerateUnref {
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
};
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeviceUnref>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevEnumerateUnref>;

// One opened hidraw node. read() runs on the reader thread, write() and interruptRead() on the
// GUI thread; the kernel serialises the two directions of one node.
class LinuxHidChannel : public HidChannel {
public:
    LinuxHidChannel(int deviceFd, int wakeFd) : deviceFd_(deviceFd), wakeFd_(wakeFd) {}
    ~LinuxHidChannel() override {
        ::close(deviceFd_);
        ::close(wakeFd_);
    }
    LinuxHidChannel(const LinuxHidChannel&) = delete;
    LinuxHidChannel& operator=(const LinuxHidChannel&) = delete;

    bool write(const quint8* data, int length, QString* error) override {
        if (!data || length <= 0) {
            if (error)
                *error = QStringLiteral("no report to write");
            return false;
        }
        ssize_t written;
        do {
            written = ::write(deviceFd_, data, static_cast<size_t>(length));
        } while (written < 0 && errno == EINTR);
        if (written < 0) {
            if (error)
                *error = qt_error_string(errno);
            return false;
        }
        if (written != length) {
            if (error)
                *error = QStringLiteral("short write: %1 of %2 bytes").arg(written).arg(length);
            return false;
        }
        return true;
    }

    ReadResult read(quint8* buffer, int capacity, int timeoutMs, int* bytesRead) override {
        *bytesRead = 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        // Blocking fd plus poll(): some kernels never report a disconnect to O_NONBLOCK reads.
        pollfd fds[2] = {{deviceFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0)
            return errno == EINTR ? ReadResult::Timeout : waitOutSlice(deadline);
        if (ready == 0)
            return ReadResult::Timeout;
        if (fds[1].revents & POLLIN) {
            drainWake();
            return ReadResult::Timeout;
        }
        // An unplugged hidraw node polls as POLLHUP | POLLERR.
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return ReadResult::Gone;
        if (!(fds[0].revents & POLLIN))
            return ReadResult::Timeout;
        const ssize_t got = ::read(deviceFd_, buffer, static_cast<size_t>(capacity));
        if (got > 0) {
            *bytesRead = static_cast<int>(got);
            return ReadResult::Data;
        }
        if (got == 0)
            return ReadResult::Timeout;
        switch (errno) {
            // A node whose device has gone reads as EIO (older kernels: ENODEV).
            case EIO:
            case ENODEV:
                return ReadResult::Gone;
            case EAGAIN:
            case EINTR:
                return ReadResult::Timeout;
            default:
                // Unknown errors: do not spin on them, let the slice pass.
                return waitOutSlice(deadline);
        }
    }

    ReadResult waitForInput(int timeoutMs) override {
        pollfd fds[2] = {{deviceFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready <= 0)
            return ReadResult::Timeout;  // errors too: read() finds out what they mean
        if (fds[1].revents & POLLIN) {
            drainWake();
            return ReadResult::Timeout;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return ReadResult::Gone;
        return (fds[0].revents & POLLIN) ? ReadResult::Data : ReadResult::Timeout;
    }

    void interruptRead() override {
        const quint64 one = 1;
        // A full counter (EAGAIN) still wakes the reader: nothing to handle.
        const ssize_t written = ::write(wakeFd_, &one, sizeof one);
        Q_UNUSED(written);
    }

private:
    using Clock = std::chrono::steady_clock;

    // Waits until the deadline unless interruptRead() comes first.
    ReadResult waitOutSlice(Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() > 0) {
            pollfd wake{wakeFd_, POLLIN, 0};
            if (::poll(&wake, 1, static_cast<int>(left.count())) > 0)
                drainWake();
        }
        return ReadResult::Timeout;
    }

    void drainWake() {
        quint64 count = 0;
        const ssize_t got = ::read(wakeFd_, &count, sizeof count);
        Q_UNUSED(got);
    }

    const int deviceFd_;
    const int wakeFd_;
};

QString fromUdev(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// Logs a problem with a node once, not at every scan (the watchdog scans every second while
// the wheel base is away).
void reportProblem(QSet<QString>* reported, const QString& nodePath, const QString& problem) {
    const QString line = nodePath + QStringLiteral(": ") + problem;
    if (reported->contains(line))
        return;
    reported->insert(line);
    qCWarning(lcLinuxHid).noquote() << line;
}

// Report lengths from the hid device's sysfs "report_descriptor", readable without any
// permission on the node itself.
ReportLengths readReportLengths(const QString& hidSyspath, const QString& nodePath,
                                QSet<QString>* reported) {
    QFile file(hidSyspath + QStringLiteral("/report_descriptor"));
    if (!file.open(QIODevice::ReadOnly)) {
        reportProblem(reported, nodePath,
                      QStringLiteral("report descriptor unreadable: ") + file.errorString());
        return {};
    }
    const QByteArray bytes = file.read(kMaxDescriptorBytes);
    const ReportLengths lengths = parseReportDescriptor(std::span<const quint8>(
        reinterpret_cast<const quint8*>(bytes.constData()), static_cast<size_t>(bytes.size())));
    if (!lengths.error.isEmpty())
        reportProblem(reported, nodePath,
                      QStringLiteral("malformed report descriptor: ") + lengths.error);
    return lengths;
}

std::optional<HidDeviceInfo> describeNode(udev_device* node, QSet<QString>* reported) {
    const char* devnode = udev_device_get_devnode(node);
    if (!devnode)
        return std::nullopt;  // the node file has not been created (yet)
    HidDeviceInfo info;
    info.path = QString::fromLocal8Bit(devnode);

    // Parents belong to the child device: no unref.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr);
    if (!hid) {
        reportProblem(reported, info.path, QStringLiteral("no hid parent device"));
        return info;
    }
    // The hid device's name ("0003:9999:0F01.0007") is new for every connection, while the
    // hidraw number is reused: together with the node it tells a re-plugged device apart.
    info.instanceId = fromUdev(udev_device_get_sysname(hid));
    const QString hidId = fromUdev(udev_device_get_property_value(hid, "HID_ID"));
    if (!LinuxHidBackend::parseHidId(hidId, &info.vendorId, &info.productId))
        reportProblem(reported, info.path, QStringLiteral("unreadable HID_ID \"%1\"").arg(hidId));

    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
    const char* product = usb ? udev_device_get_sysattr_value(usb, "product") : nullptr;
    info.productName =
        fromUdev(product ? product : udev_device_get_property_value(hid, "HID_NAME"));

    const ReportLengths lengths = readReportLengths(
        QString::fromLocal8Bit(udev_device_get_syspath(hid)), info.path, reported);
    info.inputReportLength = lengths.input;
    info.outputReportLength = lengths.output;
    return info;
}

// Splits "/dev/hidraw12" into "/dev/hidraw" and "12".
std::pair<QStringView, QStringView> splitTrailingNumber(QStringView path) {
    qsizetype digitsFrom = path.size();
    while (digitsFrom > 0 && path[digitsFrom - 1].isDigit())
        --digitsFrom;
    return {path.first(digitsFrom), path.sliced(digitsFrom)};
}

}  // namespace

LinuxHidBackend::LinuxHidBackend(QObject* parent) : HidBackend(parent), udev_(udev_new()) {
    if (!udev_) {
        qCWarning(lcLinuxHid) << "libudev could not be initialised: no HID devices will be found";
        return;
    }
    startMonitor();
}

LinuxHidBackend::~LinuxHidBackend() {
    delete notifier_;  // before the monitor closes the descriptor it watches
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

void LinuxHidBackend::startMonitor() {
    // The "udev" source, not "kernel": udevd announces a node after it has set its permissions.
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ &&
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) >= 0 &&
        udev_monitor_enable_receiving(monitor_) >= 0) {
        notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &LinuxHidBackend::onMonitorReadable);
        return;
    }
    // No udevd (containers, minimal systems): the watchdog's passes still find devices.
    qCInfo(lcLinuxHid) << "no udev monitor: hot-plug is noticed by polling only";
    if (monitor_)
        udev_monitor_unref(monitor_);
    monitor_ = nullptr;
}

void LinuxHidBackend::onMonitorReadable() {
    bool changed = false;
    // The monitor's socket is non-blocking: this drains every queued event.
    while (udev_device* raw = udev_monitor_receive_device(monitor_)) {
        const UdevDevicePtr device(raw);
        const QByteArray action(udev_device_get_action(raw));
        if (action == "add" || action == "remove")
            changed = true;
    }
    if (changed)
        emit devicesChanged();
}

QList<HidDeviceInfo> LinuxHidBackend::scan() {
    QList<HidDeviceInfo> devices;
    if (!udev_)
        return devices;
    const UdevEnumeratePtr enumerate(udev_enumerate_new(udev_));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        qCWarning(lcLinuxHid) << "hidraw devices could not be listed";
        return devices;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        // A device may vanish between the listing and this lookup: then it is skipped.
        const UdevDevicePtr node(
            udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry)));
        if (!node)
            continue;
        if (auto info = describeNode(node.get(), &reportedProblems_))
            devices.append(std::move(*info));
    }
    std::sort(devices.begin(), devices.end(), [](const HidDeviceInfo& a, const HidDeviceInfo& b) {
        return pathLessThan(a.path, b.path);
    });
    return devices;
}

std::unique_ptr<HidChannel> LinuxHidBackend::open(const QString& path, QString* error) {
    const QByteArray nativePath = QFile::encodeName(path);
    const int deviceFd = ::open(nativePath.constData(), O_RDWR | O_CLOEXEC);
    if (deviceFd < 0) {
        if (error)
            *error = qt_error_string(errno);
        return nullptr;
    }
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        if (error)
            *error = qt_error_string(errno);
        ::close(deviceFd);
        return nullptr;
    }
    return std::make_unique<LinuxHidChannel>(deviceFd, wakeFd);
}

bool LinuxHidBackend::parseHidId(const QString& hidId, quint16* vendorId, quint16* productId) {
    // The kernel writes it as "%04X:%08X:%08X".
    const QStringList parts = hidId.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return false;
    quint32 values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const QString& part = parts[i];
        const bool allHex = !part.isEmpty() && part.size() <= 8 &&
                            std::all_of(part.begin(), part.end(), [](QChar c) {
                                return c.isDigit() || (c.toLower() >= QLatin1Char('a') &&
                                                       c.toLower() <= QLatin1Char('f'));
                            });
        if (!allHex)
            return false;
        values[i] = part.toUInt(nullptr, 16);
    }
    if (values[1] > 0xFFFF || values[2] > 0xFFFF)
        return false;
    *vendorId = static_cast<quint16>(values[1]);
    *productId = static_cast<quint16>(values[2]);
    return true;
}

bool LinuxHidBackend::pathLessThan(const QString& left, const QString& right) {
    const auto [leftStem, leftDigits] = splitTrailingNumber(left);
    const auto [rightStem, rightDigits] = splitTrailingNumber(right);
    if (leftStem != rightStem)
        return leftStem < rightStem;
    // Compare the numbers without converting them: fewer significant digits is smaller.
    auto significant = [](QStringView digits) {
        while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
            digits = digits.sliced(1);
        return digits;
    };
    const QStringView a = significant(leftDigits);
    const QStringView b = significant(rightDigits);
    if (a.size() != b.size())
        return a.size() < b.size();
    if (a != b)
        return a < b;
    return left < right;
}

}  // namespace karvo
