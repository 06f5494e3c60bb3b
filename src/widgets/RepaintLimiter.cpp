#include "RepaintLimiter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace karvo {

RepaintLimiter::RepaintLimiter(QWidget* window, int intervalMs)
    : QObject(window), window_(window), intervalMs_(qMax(0, intervalMs)) {
    pending_.setSingleShot(true);
    pending_.setTimerType(Qt::PreciseTimer);
    connect(&pending_, &QTimer::timeout, this, &RepaintLimiter::repaintNow);
    window_->installEventFilter(this);
}

RepaintLimiter::~RepaintLimiter() = default;

bool RepaintLimiter::eventFilter(QObject* watched, QEvent* event) {
    // Qt asks a window to repaint its changed widgets with an UpdateRequest event; it sends no
    // second one until the first has been handled, so holding it back holds back the repaint.
    if (watched != window_ || event->type() != QEvent::UpdateRequest || releasing_)
        return false;
    if (pending_.isActive())
        return true;  // already put off: painted when the timer fires
    const qint64 since = sinceRepaint_.isValid() ? sinceRepaint_.elapsed() : intervalMs_;
    if (since < intervalMs_) {
        ++deferred_;
        pending_.start(static_cast<int>(intervalMs_ - since));
        return true;
    }
    sinceRepaint_.start();
    return false;
}

void RepaintLimiter::repaintNow() {
    sinceRepaint_.start();
    QEvent request(QEvent::UpdateRequest);
    releasing_ = true;  // let through by the filter: the timer has just allowed it
    QCoreApplication::sendEvent(window_, &request);
    releasing_ = false;
}

}  // namespace karvo
