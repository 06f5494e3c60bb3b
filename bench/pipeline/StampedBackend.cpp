#include "StampedBackend.h"

#include "SimulatedHidBackend.h"

namespace karvo::bench {

StampedBackend::StampedBackend(std::unique_ptr<SimulatedHidBackend> simulated,
                               StampedChannel::Source source)
    : simulated_(std::move(simulated)),
      source_(source),
      sequence_(std::make_shared<std::atomic<quint32>>(0)) {
    connect(simulated_.get(), &HidBackend::devicesChanged, this, &HidBackend::devicesChanged);
}

StampedBackend::~StampedBackend() = default;

QList<HidDeviceInfo> StampedBackend::scan() {
    return simulated_->scan();
}

std::unique_ptr<HidChannel> StampedBackend::open(const QString& path, QString* error) {
    std::unique_ptr<HidChannel> channel = simulated_->open(path, error);
    if (!channel || !simulated_->firmware(path))
        return channel;
    return std::make_unique<StampedChannel>(std::move(channel), source_, sequence_);
}

}  // namespace karvo::bench
