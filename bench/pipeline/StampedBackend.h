#pragma once

#include <atomic>
#include <memory>

#include "HidBackend.h"
#include "StampedChannel.h"

namespace karvo {
class SimulatedHidBackend;
}

namespace karvo::bench {

// The harness's HID backend: the simulated backend, whose wheel base channels are wrapped in a
// StampedChannel. The sequence continues across re-opens, so a report lost at a check-in would
// still show as a gap.
class StampedBackend : public HidBackend {
public:
    StampedBackend(std::unique_ptr<SimulatedHidBackend> simulated, StampedChannel::Source source);
    ~StampedBackend() override;

    QList<HidDeviceInfo> scan() override;
    std::unique_ptr<HidChannel> open(const QString& path, QString* error) override;

    SimulatedHidBackend& simulated() { return *simulated_; }
    quint32 reportsRead() const { return sequence_->load(); }

private:
    std::unique_ptr<SimulatedHidBackend> simulated_;
    StampedChannel::Source source_;
    std::shared_ptr<std::atomic<quint32>> sequence_;
};

}  // namespace karvo::bench
