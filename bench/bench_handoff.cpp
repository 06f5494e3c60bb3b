// The price of one hand-off from a worker thread to the GUI thread and back, the step every
// input report and every timer tick takes: the worker posts the work to the GUI thread's event
// loop and sleeps until the work has returned. Next to it, the floor of any such design on this
// machine: two threads waking each other through a condition variable. The counter
// process_cpu_us is the CPU time of the whole process per round trip (both threads, kernel
// included), which is what a stream of reports costs beyond the handling itself.
//
// Own main: the GUI thread runs the Qt event loop while Google Benchmark runs on a worker.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "GuiHandOff.h"

using namespace karvo;

namespace {

QObject* guiContext = nullptr;

double processCpuUs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto us = [](const timeval& t) {
        return t.tv_sec * 1e6 + static_cast<double>(t.tv_usec);
    };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

void BM_GuiHandOffRoundTrip(benchmark::State& state) {
    GuiHandOff handOff(guiContext, GuiHandOff::Cancelled::RunPending);
    int ran = 0;
    const double cpuBefore = processCpuUs();
    for (auto _ : state) {
        if (!handOff.run([&ran] { ++ran; })) {
            state.SkipWithError("the hand-off was cancelled");
            break;
        }
    }
    const double cpu = processCpuUs() - cpuBefore;
    if (ran != static_cast<int>(state.iterations()))
        state.SkipWithError("work did not run once per hand-off");
    state.counters["process_cpu_us"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GuiHandOffRoundTrip)
    ->Name("gui_handoff/round_trip")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// Two plain threads passing a turn back and forth: the cost of two wake-ups and nothing else.
void BM_ConditionVariablePingPong(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable wake;
    bool request = false;
    bool stop = false;
    std::thread partner([&] {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return request || stop; });
            if (stop)
                return;
            request = false;
            wake.notify_all();
        }
    });
    const double cpuBefore = processCpuUs();
    for (auto _ : state) {
        std::unique_lock lock(mutex);
        request = true;
        wake.notify_all();
        wake.wait(lock, [&] { return !request; });
    }
    const double cpu = processCpuUs() - cpuBefore;
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    wake.notify_all();
    partner.join();
    state.counters["process_cpu_us"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ConditionVariablePingPong)
    ->Name("condition_variable/ping_pong")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// At 1 kHz both threads go to sleep between reports, and waking a sleeping processor costs more
// than passing a turn between busy ones. A worker that waits for the next millisecond like the
// device does: alone (0); followed by a hand-off that it waits for at once (1: three wake-ups a
// report); handing over and then waiting for the next millisecond before it waits for the work
// to return, as the reader does (2: two wake-ups a report).
void BM_PacedAtOneKilohertz(benchmark::State& state) {
    const auto mode = state.range(0);
    GuiHandOff handOff(guiContext, GuiHandOff::Cancelled::RunPending);
    GuiHandOff::Ticket inFlight;
    auto next = std::chrono::steady_clock::now();
    const double cpuBefore = processCpuUs();
    for (auto _ : state) {
        next += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
        if (mode == 1) {
            handOff.run([] {});
        } else if (mode == 2) {
            handOff.wait(inFlight);
            inFlight = handOff.post([] {});
        }
    }
    handOff.wait(inFlight);
    const double cpu = processCpuUs() - cpuBefore;
    state.counters["process_cpu_us"] = cpu / static_cast<double>(state.iterations());
    // One iteration per millisecond: microseconds per iteration / 10 is the share of one core.
    state.counters["percent_of_one_core"] = cpu / static_cast<double>(state.iterations()) / 10.0;
}
BENCHMARK(BM_PacedAtOneKilohertz)
    ->Name("paced_1khz/wait_only")
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2);
BENCHMARK(BM_PacedAtOneKilohertz)
    ->Name("paced_1khz/wait_and_hand_off")
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2);
BENCHMARK(BM_PacedAtOneKilohertz)
    ->Name("paced_1khz/hand_off_then_wait")
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2);

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QObject context;
    guiContext = &context;
    benchmark::Initialize(&argc, argv);
    std::thread runner([] {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    });
    const int result = QCoreApplication::exec();
    runner.join();
    return result;
}
