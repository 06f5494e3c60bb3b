// The report-descriptor parser: the wheel base's own descriptor, and large descriptors of many
// reports (application collections with input, output and feature reports under 255 report
// IDs, push and pop, long items) from 4 KiB, the largest descriptor the kernel hands out, up to
// 64 KiB to show how the cost grows.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "ReportDescriptor.h"
#include "WheelBaseDescriptor.h"

using namespace karvo;

namespace {

constexpr size_t kKernelMaxDescriptor = 4096;

// One application collection with report `id`: 7 input bytes (inside push/pop), 2 output
// words, 4 feature bytes.
void appendReportBlock(std::vector<quint8>& out, quint8 id) {
    const quint8 block[] = {
        0x05, 0x01,        // Usage Page (Generic Desktop)
        0x09, 0x04,        // Usage (Joystick)
        0xA1, 0x01,        // Collection (Application)
        0x85, id,          //   Report ID
        0xA4,              //   Push
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x07,        //   Report Count (7)
        0x09, 0x30,        //   Usage (X)
        0x81, 0x02,        //   Input (Data, Variable, Absolute)
        0xB4,              //   Pop
        0x75, 0x10,        //   Report Size (16)
        0x95, 0x02,        //   Report Count (2)
        0x91, 0x02,        //   Output (Data, Variable, Absolute)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x04,        //   Report Count (4)
        0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
        0xC0,              // End Collection
    };
    out.insert(out.end(), std::begin(block), std::end(block));
}

// A long item (vendor data the parser skips): prefix, data size, tag, data.
void appendLongItem(std::vector<quint8>& out) {
    out.insert(out.end(), {0xFE, 0x04, 0xF0, 0x01, 0x02, 0x03, 0x04});
}

struct LargeDescriptor {
    std::vector<quint8> bytes;
    int reportIds = 0;  // distinct report IDs in it
};

LargeDescriptor largeDescriptor(size_t atLeast) {
    LargeDescriptor result;
    result.bytes.reserve(atLeast + 64);
    int block = 0;
    while (result.bytes.size() < atLeast) {
        appendReportBlock(result.bytes, static_cast<quint8>(block % 255 + 1));
        if (block % 16 == 15)
            appendLongItem(result.bytes);
        ++block;
    }
    result.reportIds = std::min(block, 255);
    return result;
}

void BM_WheelBaseDescriptor(benchmark::State& state) {
    const std::span<const quint8> descriptor(kWheelBaseReportDescriptor);
    for (auto _ : state) {
        ReportLengths lengths = parseReportDescriptor(descriptor);
        benchmark::DoNotOptimize(lengths);
    }
    const ReportLengths check = parseReportDescriptor(descriptor);
    if (check.input != 64 || check.output != 64 || !check.error.isEmpty())
        state.SkipWithError("unexpected lengths for the wheel base descriptor");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * descriptor.size()));
}
BENCHMARK(BM_WheelBaseDescriptor)->Name("parse/wheel_base_79_bytes");

void BM_LargeDescriptor(benchmark::State& state) {
    const LargeDescriptor large = largeDescriptor(static_cast<size_t>(state.range(0)));
    const std::vector<quint8>& descriptor = large.bytes;
    for (auto _ : state) {
        ReportLengths lengths = parseReportDescriptor(descriptor);
        benchmark::DoNotOptimize(lengths);
    }
    const ReportLengths check = parseReportDescriptor(descriptor);
    const qsizetype reports = large.reportIds;
    if (!check.error.isEmpty() || check.inputIds.size() != reports ||
        check.outputIds.size() != reports || check.featureIds.size() != reports)
        state.SkipWithError("the large descriptor did not parse whole");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * descriptor.size()));
    state.counters["bytes"] = static_cast<double>(descriptor.size());
    state.counters["input_len"] = check.input;
}
BENCHMARK(BM_LargeDescriptor)
    ->Name("parse/large")
    ->Arg(static_cast<int64_t>(kKernelMaxDescriptor))
    ->Arg(16 * 1024)
    ->Arg(64 * 1024)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
