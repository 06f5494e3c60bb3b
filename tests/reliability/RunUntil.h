#pragma once

// Waits the way the program itself runs: a real event loop that dispatches every hand-off as it
// comes (QTest::qWaitFor processes what is queued, then pauses), so a streaming base floods the
// window as it would in use.

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace karvo::test {

// Runs the event loop until condition() holds or timeoutMs have passed; returns condition().
inline bool runUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
    if (condition()) return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition()) loop.quit();
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    giveUp.start(timeoutMs);
    loop.exec();
    return condition();
}

}  // namespace karvo::test
