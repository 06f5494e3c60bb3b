#include "StampedChannel.h"

#include <cmath>
#include <cstring>

#include "Records.h"
#include "ReportStamp.h"

namespace karvo::bench {

namespace {

constexpr quint8 kResponseReport = 65;
constexpr quint8 kUnsolicited = 255;
constexpr int kRecordTypeOffset = 1;
constexpr int kRequestIdOffset = 2;
constexpr int kRecordOffset = 3;
constexpr int kForceTableSize = 1024;

// Effect forces as a game would drive them: every field moves, with two decimals that change.
TFFBReport forcesAt(int step) {
    const double t = step * 0.0123;
    const auto wave = [t](double phase, double scale) {
        return static_cast<float>(std::sin(t + phase) * scale);
    };
    TFFBReport record{};
    record.constantForce = wave(0.0, 4000.0);
    record.rampForce = wave(0.3, 1500.0);
    record.springForce = wave(0.6, 2500.0);
    record.damperForce = wave(0.9, 800.0);
    record.inertiaForce = wave(1.2, 300.0);
    record.frictionForce = wave(1.5, 600.0);
    record.squareForce = wave(1.8, 1000.0);
    record.triangleForce = wave(2.1, 1000.0);
    record.sineForce = wave(2.4, 1000.0);
    record.sawUpForce = wave(2.7, 1000.0);
    record.sawDownForce = wave(3.0, 1000.0);
    record.totalForce = wave(3.3, 9000.0);
    return record;
}

}  // namespace

StampedChannel::StampedChannel(std::unique_ptr<HidChannel> inner, Source source,
                               std::shared_ptr<std::atomic<quint32>> sequence)
    : inner_(std::move(inner)), source_(source), sequence_(std::move(sequence)) {
    if (source_ == Source::Firmware)
        return;
    forces_.reserve(kForceTableSize);
    for (int step = 0; step < kForceTableSize; ++step)
        forces_.push_back(encode(forcesAt(step)));
}

bool StampedChannel::write(const quint8* data, int length, QString* error) {
    return inner_->write(data, length, error);
}

HidChannel::ReadResult StampedChannel::read(quint8* buffer, int capacity, int timeoutMs,
                                            int* bytesRead) {
    // The generated sources never wait: the firmware is asked only for a waiting answer.
    const int innerTimeout = source_ == Source::Firmware ? timeoutMs : 0;
    ReadResult result = inner_->read(buffer, capacity, innerTimeout, bytesRead);
    if (result == ReadResult::Timeout && source_ != Source::Firmware &&
        capacity >= ReportStamp::kReportLength) {
        generate(buffer, capacity, bytesRead);
        result = ReadResult::Data;
    }
    if (result == ReadResult::Data && capacity >= ReportStamp::kReportLength) {
        ReportStamp stamp;
        stamp.sequence = sequence_->fetch_add(1, std::memory_order_relaxed);
        stamp.readDoneNs = ReportStamp::nowNs();
        stamp.writeTo(buffer);
    }
    return result;
}

HidChannel::ReadResult StampedChannel::waitForInput(int timeoutMs) {
    // The generated sources always have the next report ready.
    return source_ == Source::Firmware ? inner_->waitForInput(timeoutMs) : ReadResult::Data;
}

void StampedChannel::interruptRead() {
    inner_->interruptRead();
}

void StampedChannel::generate(quint8* buffer, int capacity, int* bytesRead) {
    const int length = std::min(capacity, ReportStamp::kReportLength);
    const std::array<quint8, 48>& record = forces_[nextForce_];
    nextForce_ = (nextForce_ + 1) % forces_.size();
    buffer[0] = kResponseReport;
    buffer[kRecordTypeOffset] = RecordType::FfbReport;
    buffer[kRequestIdOffset] =
        source_ == Source::EffectForceAnswers ? kAnswerRequestId : kUnsolicited;
    std::memcpy(buffer + kRecordOffset, record.data(), record.size());
    *bytesRead = length;
}

}  // namespace karvo::bench
