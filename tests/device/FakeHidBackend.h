#pragma once

#include <QList>
#include <atomic>
#include <functional>
#include <memory>

#include "HidBackend.h"

// A HID backend that lists whatever the test puts in `devices` and opens channels that never
// deliver a report. It counts scans and open channels so a test can see a pass run and a
// device being let go.
class FakeHidBackend : public karvo::HidBackend {
public:
    QList<karvo::HidDeviceInfo> devices;
    std::function<void()> onScan;  // runs inside scan(), that is inside a pass
    int scanCount = 0;

    QList<karvo::HidDeviceInfo> scan() override;
    std::unique_ptr<karvo::HidChannel> open(const QString& path, QString* error) override;

    int openChannels() const { return openChannels_->load(); }

    static karvo::HidDeviceInfo wheelBase(const QString& path = QStringLiteral("fake:wheel-1"));
    static karvo::HidDeviceInfo keyboard(const QString& path = QStringLiteral("fake:keyboard"));

private:
    std::shared_ptr<std::atomic<int>> openChannels_ = std::make_shared<std::atomic<int>>(0);
};
