#include "ReportProbe.h"

#include <algorithm>

#include "ReportStamp.h"

namespace karvo::bench {

void ReportProbe::observe(const quint8* data, quint16 size, qint64 handlerStartNs) {
    ++totalReports_;
    ++reports_;
    if (!data || size < ReportStamp::kReportLength - 1) {
        ++unstamped_;
        return;
    }
    const ReportStamp stamp = ReportStamp::readAfterReportId(data);
    if (expected_) {
        if (stamp.sequence > *expected_)
            lost_ += stamp.sequence - *expected_;
        if (stamp.sequence < *expected_)
            ++reordered_;
    }
    expected_ = stamp.sequence + 1;
    count(handlerStartNs - stamp.readDoneNs);
}

void ReportProbe::count(qint64 latencyNs) {
    latencyNs = std::max<qint64>(0, latencyNs);
    maxNs_ = std::max(maxNs_, latencyNs);
    int bucket;
    if (latencyNs < kFineBuckets * kFineStepNs)
        bucket = static_cast<int>(latencyNs / kFineStepNs);
    else if (latencyNs < kFineBuckets * kFineStepNs + kCoarseBuckets * kCoarseStepNs)
        bucket = kFineBuckets +
                 static_cast<int>((latencyNs - kFineBuckets * kFineStepNs) / kCoarseStepNs);
    else
        bucket = kFineBuckets + kCoarseBuckets;
    ++histogram_[static_cast<size_t>(bucket)];
}

// The middle of a bucket; the overflow bucket reads as the largest latency seen.
qint64 ReportProbe::bucketValueNs(int bucket) const {
    if (bucket < kFineBuckets)
        return bucket * kFineStepNs + kFineStepNs / 2;
    if (bucket < kFineBuckets + kCoarseBuckets)
        return kFineBuckets * kFineStepNs + (bucket - kFineBuckets) * kCoarseStepNs +
               kCoarseStepNs / 2;
    return maxNs_;
}

void ReportProbe::startWindow() {
    reports_ = 0;
    histogram_.fill(0);
    maxNs_ = 0;
}

ReportProbe::Latency ReportProbe::latency() const {
    Latency result;
    quint64 total = 0;
    for (const quint64 n : histogram_)
        total += n;
    if (total == 0)
        return result;
    // The sample of rank r (0-based) among the sorted latencies.
    const auto valueAtRank = [this](quint64 rank) {
        quint64 seen = 0;
        for (size_t bucket = 0; bucket < histogram_.size(); ++bucket) {
            seen += histogram_[bucket];
            if (seen > rank)
                return bucketValueNs(static_cast<int>(bucket));
        }
        return maxNs_;
    };
    result.medianNs = valueAtRank(total / 2);
    result.p99Ns = valueAtRank(std::min(total - 1, total * 99 / 100));
    result.maxNs = maxNs_;
    return result;
}

}  // namespace karvo::bench
