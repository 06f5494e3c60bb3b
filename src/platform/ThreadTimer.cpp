#include "ThreadTimer.h"

#include "GuiHandOff.h"

#include <chrono>

namespace karvo {

ThreadTimer::ThreadTimer(QObject* parent)
    : QObject(parent), handOff_(std::make_unique<GuiHandOff>(this)) {}

ThreadTimer::~ThreadTimer() { stopWorker(); }

void ThreadTimer::setInterval(int milliseconds) {
    if (milliseconds == intervalMs_) return;
    intervalMs_ = milliseconds;
    if (enabled_ && !manual_) {
        stopWorker();
        startWorker();
    }
}

void ThreadTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    manualElapsedMs_ = 0;
    if (manual_) return;
    if (enabled)
        startWorker();
    else
        stopWorker();
}

void ThreadTimer::setManualClock(bool manual) {
    if (manual == manual_) return;
    if (enabled_ && !manual_) stopWorker();
    manual_ = manual;
    manualElapsedMs_ = 0;
    if (enabled_ && !manual_) startWorker();
}

int ThreadTimer::advance(int milliseconds) {
    if (!manual_) return 0;
    if (inManualTick_) {
        // Time passing inside a tick's handler: the overdue tick follows once it has returned.
        manualElapsedMs_ = std::min(intervalMs_, manualElapsedMs_ + std::max(0, milliseconds));
        return 0;
    }
    int fired = 0;
    while (enabled_ && intervalMs_ > 0) {
        if (manualElapsedMs_ >= intervalMs_) {
            manualElapsedMs_ = 0;  // the next interval counts from the start of this tick
            ++fired;
            inManualTick_ = true;
            emit timeout();
            inManualTick_ = false;
            continue;
        }
        if (milliseconds <= 0) break;
        const int step = std::min(milliseconds, intervalMs_ - manualElapsedMs_);
        manualElapsedMs_ += step;
        milliseconds -= step;
    }
    return fired;
}

void ThreadTimer::startWorker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
    }
    handOff_->reset();
    worker_ = std::thread(&ThreadTimer::workerLoop, this, intervalMs_);
}

void ThreadTimer::stopWorker() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    handOff_->cancel();  // a worker waiting for its tick's handler is released at once
    worker_.join();
}

void ThreadTimer::workerLoop(int intervalMs) {
    // The interval is handed over by value: the GUI thread may change intervalMs_ meanwhile.
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::milliseconds(intervalMs);
    auto nextTick = Clock::now() + interval;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_until(lock, nextTick, [this] { return stop_; })) return;
        }
        const auto tickStart = Clock::now();
        if (!handOff_->run([this] { emit timeout(); })) return;
        // The next tick is one interval after this one began, or at once if the handler overran.
        nextTick = std::max(tickStart + interval, Clock::now());
    }
}

}  // namespace karvo
