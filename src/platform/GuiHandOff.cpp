#include "GuiHandOff.h"

#include <QMetaObject>

namespace karvo {

GuiHandOff::GuiHandOff(QObject* context, Cancelled policy)
    : context_(context), policy_(policy), shared_(std::make_shared<Shared>()) {}

bool GuiHandOff::run(std::function<void()> work) {
    struct Call {
        bool done = false;
        bool ran = false;
    };
    auto call = std::make_shared<Call>();
    auto shared = shared_;
    quint64 generation;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->cancelled) return false;
        generation = shared->generation;
    }
    // The lambda owns everything it touches: the worker may be gone when it runs.
    const bool runPending = policy_ == Cancelled::RunPending;
    QMetaObject::invokeMethod(
        context_,
        [shared, call, generation, runPending, work = std::move(work)] {
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
            // Woken after the unlock, the worker does not wake up only to wait for the mutex.
            shared->wake.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(shared->mutex);
    shared->wake.wait(lock, [&] { return call->done || shared->cancelled; });
    return call->ran;
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

bool GuiHandOff::isCancelled() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->cancelled;
}

}  // namespace karvo
