#include "EventWatcher.h"

#include <QTimer>

namespace karvo {

EventWatcher::EventWatcher(QObject* watched, QList<QEvent::Type> types,
                           std::function<void()> callback)
    : QObject(watched), types_(std::move(types)), callback_(std::move(callback)) {
    watched->installEventFilter(this);
}

EventWatcher::~EventWatcher() = default;

bool EventWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (types_.contains(event->type()))
        trigger();
    return QObject::eventFilter(watched, event);
}

void EventWatcher::trigger() {
    // The filter sees the event before its receiver: run once the event (and the layout work it
    // starts) has been handled. Several events in a row run the function once.
    if (queued_)
        return;
    queued_ = true;
    QTimer::singleShot(0, this, [this] {
        queued_ = false;
        ++runs_;
        callback_();
    });
}

}  // namespace karvo
