#pragma once

#include <QtGlobal>
#include <array>
#include <optional>

namespace karvo::bench {

// The handler side of the stamps: sees each report as the input-report handler starts, checks
// that the sequence has no gap and never goes back, and counts the hand-off latencies of the
// measuring window in a fixed histogram (100 ns steps below 1 ms, 100 us steps up to 1 s), so
// that a long run does not grow the process it measures.
class ReportProbe {
public:
    struct Latency {
        qint64 medianNs = 0;
        qint64 p99Ns = 0;
        qint64 maxNs = 0;
    };

    // data and size as the input-report handler receives them; handlerStartNs from
    // ReportStamp::nowNs() taken first thing in the handler.
    void observe(const quint8* data, quint16 size, qint64 handlerStartNs);

    // Starts the measuring window: counts and latencies begin again, the sequence check goes on.
    void startWindow();

    quint64 reports() const { return reports_; }  // in the window
    quint64 totalReports() const { return totalReports_; }
    quint64 lost() const { return lost_; }            // whole run
    quint64 reordered() const { return reordered_; }  // whole run
    quint64 unstamped() const { return unstamped_; }  // whole run
    Latency latency() const;

private:
    std::optional<quint32> expected_;
    quint64 reports_ = 0;
    quint64 totalReports_ = 0;
    quint64 lost_ = 0;
    quint64 reordered_ = 0;
    quint64 unstamped_ = 0;
    static constexpr int kFineBuckets = 10000;    // 100 ns each, up to 1 ms
    static constexpr int kCoarseBuckets = 10000;  // 100 us each, up to 1 s
    static constexpr qint64 kFineStepNs = 100;
    static constexpr qint64 kCoarseStepNs = 100000;
    void count(qint64 latencyNs);
    qint64 bucketValueNs(int bucket) const;

    std::array<quint64, kFineBuckets + kCoarseBuckets + 1> histogram_{};
    qint64 maxNs_ = 0;
};

}  // namespace karvo::bench
