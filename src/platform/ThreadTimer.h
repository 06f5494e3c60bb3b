#pragma once

#include <QObject>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace karvo {

class GuiHandOff;

// A timer whose worker thread waits one interval, hands the tick to the GUI thread and waits
// until the handler has returned, then waits the rest of the interval. Ticks never overlap
// and never queue up; a slow handler only delays the next tick. Disabling stops the worker;
// enabling starts a new one whose first tick comes a full interval later.
//
// Manual mode (tests): no thread runs; advance() moves a virtual clock and fires the ticks
// that fall due, on the calling thread.
class ThreadTimer : public QObject {
    Q_OBJECT
public:
    explicit ThreadTimer(QObject* parent = nullptr);
    ~ThreadTimer() override;

    void setInterval(int milliseconds);
    int interval() const { return intervalMs_; }

    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_; }

    void setManualClock(bool manual);
    // Manual mode: lets milliseconds of virtual time pass; returns the number of ticks fired.
    int advance(int milliseconds);

signals:
    void timeout();  // on the GUI thread, one at a time

private:
    void startWorker();
    void stopWorker();
    void workerLoop(int intervalMs);

    int intervalMs_ = 1000;
    bool enabled_ = false;
    bool manual_ = false;
    int manualElapsedMs_ = 0;
    bool inManualTick_ = false;

    std::unique_ptr<GuiHandOff> handOff_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
};

}  // namespace karvo
