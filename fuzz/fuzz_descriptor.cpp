// Parses arbitrary bytes as a HID report descriptor, from a heap copy of exactly their size, and
// checks what the result promises: lengths within the limits, report IDs ascending and unique,
// no IDs without report IDs in use, an error that names a byte inside the descriptor, and a
// parse of any prefix giving no longer reports and no IDs that the whole descriptor lacks.

#include "ReportDescriptor.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

using karvo::parseReportDescriptor;
using karvo::ReportLengths;

namespace {

constexpr int kMaxReportBytes = 16384;  // the parser's limit for one report, ID byte excluded

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_descriptor: %s\n", what);
        std::abort();
    }
}

ReportLengths parseCopy(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<quint8[]> copy;
    if (size > 0) {
        copy = std::make_unique<quint8[]>(size);
        std::memcpy(copy.get(), data, size);
    }
    return parseReportDescriptor(std::span<const quint8>(copy.get(), size));
}

void checkIds(const QList<quint8>& ids, int length, bool usesReportIds) {
    for (qsizetype i = 0; i < ids.size(); ++i) {
        check(ids[i] != 0, "report ID 0 listed");
        if (i > 0) check(ids[i - 1] < ids[i], "report IDs not ascending");
    }
    if (!usesReportIds) check(ids.isEmpty(), "report IDs listed without report IDs in use");
    if (!ids.isEmpty()) check(length >= 1, "a listed report has no length");
}

void checkResult(const ReportLengths& r, std::size_t size) {
    const int idByte = r.usesReportIds ? 1 : 0;
    for (int length : {r.input, r.output, r.feature})
        check(length >= 0 && length <= kMaxReportBytes + idByte, "report length out of range");
    checkIds(r.inputIds, r.input, r.usesReportIds);
    checkIds(r.outputIds, r.output, r.usesReportIds);
    checkIds(r.featureIds, r.feature, r.usesReportIds);
    if (!r.error.isEmpty()) {
        static const QRegularExpression kAtByte(QStringLiteral(" at byte (\\d+)$"));
        const QRegularExpressionMatch match = kAtByte.match(r.error);
        check(match.hasMatch(), "an error that names no byte");
        check(match.captured(1).toULongLong() < size, "an error past the end of the descriptor");
    }
}

bool contains(const QList<quint8>& whole, const QList<quint8>& part) {
    for (quint8 id : part)
        if (!whole.contains(id)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReportLengths whole = parseCopy(data, size);
    checkResult(whole, size);
    if (size == 0) {
        check(whole.input == 0 && whole.output == 0 && whole.feature == 0 && whole.error.isEmpty(),
              "an empty descriptor gave something");
        return 0;
    }

    // Items only ever add bits and set report IDs, so a prefix can only give less.
    const std::size_t cut = data[0] % size;
    const ReportLengths prefix = parseCopy(data, cut);
    checkResult(prefix, cut);
    check(prefix.input <= whole.input && prefix.output <= whole.output &&
              prefix.feature <= whole.feature,
          "a prefix gave a longer report");
    check(!prefix.usesReportIds || whole.usesReportIds, "a prefix used report IDs, the whole not");
    check(contains(whole.inputIds, prefix.inputIds) && contains(whole.outputIds, prefix.outputIds) &&
              contains(whole.featureIds, prefix.featureIds),
          "a prefix listed a report ID that the whole does not");
    return 0;
}
