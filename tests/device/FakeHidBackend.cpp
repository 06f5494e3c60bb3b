#include "FakeHidBackend.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "DeviceLink.h"

namespace {

// Reads wait until their timeout or an interrupt; nothing ever arrives.
class SilentChannel : public karvo::HidChannel {
public:
    explicit SilentChannel(std::shared_ptr<std::atomic<int>> openCount)
        : openCount_(std::move(openCount)) {
        ++*openCount_;
    }
    ~SilentChannel() override { --*openCount_; }

    bool write(const quint8*, int, QString*) override { return true; }

    ReadResult read(quint8*, int, int timeoutMs, int* bytesRead) override {
        *bytesRead = 0;
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return interrupted_; });
        interrupted_ = false;
        return ReadResult::Timeout;
    }

    void interruptRead() override {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        wake_.notify_all();
    }

private:
    std::shared_ptr<std::atomic<int>> openCount_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
};

}  // namespace

QList<karvo::HidDeviceInfo> FakeHidBackend::scan() {
    ++scanCount;
    if (onScan)
        onScan();
    return devices;
}

std::unique_ptr<karvo::HidChannel> FakeHidBackend::open(const QString& path, QString* error) {
    for (const auto& info : devices) {
        if (info.path == path)
            return std::make_unique<SilentChannel>(openChannels_);
    }
    if (error)
        *error = QStringLiteral("no such node: ") + path;
    return nullptr;
}

karvo::HidDeviceInfo FakeHidBackend::wheelBase(const QString& path) {
    karvo::HidDeviceInfo info;
    info.path = path;
    info.vendorId = karvo::kWheelBaseVendorId;
    info.productId = 0x0001;
    info.productName = QStringLiteral("Fake wheel base");
    info.inputReportLength = 64;
    info.outputReportLength = 64;
    return info;
}

karvo::HidDeviceInfo FakeHidBackend::keyboard(const QString& path) {
    karvo::HidDeviceInfo info;
    info.path = path;
    info.vendorId = 0x046d;
    info.productId = 0xc31c;
    info.productName = QStringLiteral("Keyboard");
    info.inputReportLength = 9;
    info.outputReportLength = 2;
    return info;
}
