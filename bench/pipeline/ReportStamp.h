#pragma once

#include <QtGlobal>
#include <chrono>

namespace karvo::bench {

// A stamp that a harness channel writes into each input report it delivers, in bytes that no
// record reaches (every record ends by byte 50 of a 64-byte report): a sequence number and the
// moment the read completed. The handler side reads it back to check count and order and to
// measure the time the report spent in the hand-off.
struct ReportStamp {
    static constexpr int kReportLength = 64;    // report ID byte included
    static constexpr int kSequenceOffset = 52;  // u32, little-endian
    static constexpr int kTimeOffset = 56;      // i64 nanoseconds of the steady clock

    quint32 sequence = 0;
    qint64 readDoneNs = 0;

    // report points at the report ID byte and holds kReportLength bytes.
    void writeTo(quint8* report) const {
        for (int i = 0; i < 4; ++i)
            report[kSequenceOffset + i] = static_cast<quint8>(sequence >> (8 * i));
        const auto time = static_cast<quint64>(readDoneNs);
        for (int i = 0; i < 8; ++i)
            report[kTimeOffset + i] = static_cast<quint8>(time >> (8 * i));
    }

    // data points at the byte after the report ID, as the input-report handler receives it.
    static ReportStamp readAfterReportId(const quint8* data) {
        ReportStamp stamp;
        for (int i = 0; i < 4; ++i)
            stamp.sequence |= static_cast<quint32>(data[kSequenceOffset - 1 + i]) << (8 * i);
        quint64 time = 0;
        for (int i = 0; i < 8; ++i)
            time |= static_cast<quint64>(data[kTimeOffset - 1 + i]) << (8 * i);
        stamp.readDoneNs = static_cast<qint64>(time);
        return stamp;
    }

    static qint64 nowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace karvo::bench
