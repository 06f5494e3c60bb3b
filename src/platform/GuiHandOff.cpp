#include "GuiHandOff.h"

#include <QCoreApplication>
#include <QEvent>

#include <thread>

// ThreadSanitizer cannot see the lock that orders a posted event (Qt's own mutexes are futexes
// in a library built without it); the hand-off tells it about that order itself.
#if defined(__SANITIZE_THREAD__)
#define KARVO_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KARVO_TSAN 1
#endif
#endif
#ifdef KARVO_TSAN
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace karvo {

namespace {

void publish(void* address) {
#ifdef KARVO_TSAN
    __tsan_release(address);
#else
    static_cast<void>(address);
#endif
}

void receive(void* address) {
#ifdef KARVO_TSAN
    __tsan_acquire(address);
#else
    static_cast<void>(address);
#endif
}

const QEvent::Type kHandOffEventType = GuiHandOff::eventType();

// One handed-over call. The worker builds it completely before posting it and never touches it
// again; Qt deletes it on the receiving thread, after the call or when the receiver goes.
class HandOffEvent : public QEvent {
public:
    explicit HandOffEvent(std::function<void()> call)
        : QEvent(kHandOffEventType), call_(std::move(call)) {}
    ~HandOffEvent() override { receive(this); }
    void run() { call_(); }

private:
    std::function<void()> call_;
};

class HandOffReceiver : public QObject {
public:
    bool event(QEvent* event) override {
        receive(event);  // before even the type is read
        if (event->type() != kHandOffEventType) return QObject::event(event);
        static_cast<HandOffEvent*>(event)->run();
        return true;
    }
};

}  // namespace

GuiHandOff::GuiHandOff(QObject* context, Cancelled policy)
    : receiver_(std::make_unique<HandOffReceiver>()), policy_(policy), shared_(std::make_shared<Shared>()) {
    receiver_->moveToThread(context->thread());
}

GuiHandOff::~GuiHandOff() = default;

QEvent::Type GuiHandOff::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

struct GuiHandOff::Ticket::Call {
    bool done = false;
    bool ran = false;
};

bool GuiHandOff::run(std::function<void()> work, std::chrono::microseconds watch) {
    return wait(post(std::move(work)), watch);
}

GuiHandOff::Ticket GuiHandOff::post(std::function<void()> work) {
    Ticket ticket;
    auto call = std::make_shared<Ticket::Call>();
    auto shared = shared_;
    quint64 generation;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->cancelled) return ticket;
        generation = shared->generation;
    }
    // The event owns everything it touches: the worker may be gone when it runs.
    const bool runPending = policy_ == Cancelled::RunPending;
    auto* event = new HandOffEvent([shared, call, generation, runPending, work = std::move(work)] {
        {
            std::lock_guard lock(shared->mutex);
            const bool stale = shared->cancelled || shared->generation != generation;
            if (stale && !runPending) {
                call->done = true;
                shared->wake.notify_all();
                return;
            }
        }
        work();
        {
            std::lock_guard lock(shared->mutex);
            call->done = true;
            call->ran = true;
        }
        // Woken after the unlock, the worker does not wake up only to wait for the mutex. A
        // worker that is not waiting (it waits for its next report) costs no system call.
        shared->wake.notify_all();
    });
    publish(event);
    QCoreApplication::postEvent(receiver_.get(), event);
    ticket.call_ = std::move(call);
    return ticket;
}

bool GuiHandOff::wait(const Ticket& ticket, std::chrono::microseconds watch) {
    if (!ticket.call_) return false;
    Ticket::Call& call = *ticket.call_;
    Shared& shared = *shared_;
    if (watch.count() > 0) watchForReturn(shared, [&] { return call.done; }, watch);
    std::unique_lock lock(shared.mutex);
    shared.wake.wait(lock, [&] { return call.done || shared.cancelled; });
    return call.ran;
}

void GuiHandOff::watchForReturn(Shared& shared, const std::function<bool()>& done,
                                std::chrono::microseconds watch) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + watch;
    for (;;) {
        {
            std::lock_guard lock(shared.mutex);
            if (done() || shared.cancelled || Clock::now() >= until) return;
        }
        // Yielding, not spinning: when the GUI thread waits for this processor (a busy machine),
        // it runs at once instead of after the watch.
        std::this_thread::yield();
    }
}

void GuiHandOff::cancel() {
    std::lock_guard lock(shared_->mutex);
    shared_->cancelled = true;
    shared_->wake.notify_all();
}

void GuiHandOff::reset() {
    std::lock_guard lock(shared_->mutex);
    shared_->cancelled = false;
    ++shared_->generation;
}

}  // namespace karvo
