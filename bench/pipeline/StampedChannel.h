#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "HidBackend.h"

namespace karvo::bench {

// A device node of the harness: it wraps the simulated wheel base's channel and stamps every
// report it delivers (see ReportStamp). Besides the firmware's own stream it can feed the
// reader an endless stream of effect-force records, so that every report is dumped:
//   Firmware            what the firmware sends (answers, then its streamed statistics);
//   EffectForces        the firmware's answers first, otherwise unsolicited effect forces
//                       (request ID 255): shown and dumped, never acknowledged;
//   EffectForceAnswers  the firmware's answers first, otherwise effect forces that answer
//                       request 254: shown, dumped and acknowledged once marked pending.
// The generated records vary from report to report, so every label changes every time.
class StampedChannel : public HidChannel {
public:
    enum class Source { Firmware, EffectForces, EffectForceAnswers };
    static constexpr quint8 kAnswerRequestId = 254;

    StampedChannel(std::unique_ptr<HidChannel> inner, Source source,
                   std::shared_ptr<std::atomic<quint32>> sequence);

    bool write(const quint8* data, int length, QString* error) override;
    ReadResult read(quint8* buffer, int capacity, int timeoutMs, int* bytesRead) override;
    ReadResult waitForInput(int timeoutMs) override;
    void interruptRead() override;

private:
    void generate(quint8* buffer, int capacity, int* bytesRead);

    std::unique_ptr<HidChannel> inner_;
    Source source_;
    std::shared_ptr<std::atomic<quint32>> sequence_;
    std::vector<std::array<quint8, 48>> forces_;  // encoded records, used in turn
    size_t nextForce_ = 0;
};

}  // namespace karvo::bench
