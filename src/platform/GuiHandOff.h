#pragma once

#include <QEvent>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace karvo {

// Hands work from a worker thread to the thread of a context object (the GUI thread) and
// blocks the worker until the work has returned. cancel() releases a blocked worker at once, so
// the GUI thread can stop a worker that is waiting for it without running a nested event loop
// (no deadlock at check-in). What becomes of work already posted depends on the policy: a timer
// tick is dropped; an input report still runs, and its work decides whether it is still wanted
// (a device closed and opened again by the same pass keeps the reports it had already read).
class GuiHandOff {
public:
    enum class Cancelled { DropPending, RunPending };

    explicit GuiHandOff(QObject* context, Cancelled policy = Cancelled::DropPending);
    ~GuiHandOff();
    GuiHandOff(const GuiHandOff&) = delete;
    GuiHandOff& operator=(const GuiHandOff&) = delete;

    // One posted piece of work, for the worker to wait on.
    class Ticket {
    public:
        Ticket() = default;
        bool isValid() const { return call_ != nullptr; }

    private:
        friend class GuiHandOff;
        struct Call;
        std::shared_ptr<Call> call_;
    };

    // Worker side. True when the work ran to its end, false when the hand-off was cancelled.
    // With a watch time the worker first watches for the work to return, for at most that long,
    // before it goes to sleep: a worker that hands over back to back (a stream of reports) then
    // neither sleeps nor needs waking, and the GUI thread finds the next hand-off waiting.
    bool run(std::function<void()> work, std::chrono::microseconds watch = {});

    // run() in two steps, so that the worker can wait for something else first (the next
    // report) and then for the work to return. The GUI thread wakes the worker only if it is
    // waiting in wait(); work that returned earlier costs the worker no wake-up. An invalid
    // ticket (the hand-off was cancelled) waits for nothing and returns false.
    Ticket post(std::function<void()> work);
    bool wait(const Ticket& ticket, std::chrono::microseconds watch = {});

    // GUI side.
    void cancel();
    void reset();  // allows hand-offs again after a cancel (a new worker)

    // The type of the events that carry hand-offs to the GUI thread.
    static QEvent::Type eventType();

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable wake;
        bool cancelled = false;
        quint64 generation = 0;
    };
    static void watchForReturn(Shared& shared, const std::function<bool()>& done,
                               std::chrono::microseconds watch);

    std::unique_ptr<QObject> receiver_;  // lives on the context's thread, runs the posted calls
    Cancelled policy_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace karvo
