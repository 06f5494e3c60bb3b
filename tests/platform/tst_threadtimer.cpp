#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "ThreadTimer.h"

using karvo::ThreadTimer;

namespace {

// Counts handler entries and the deepest nesting of them.
struct TickProbe {
    int ticks = 0;
    int depth = 0;
    int maxDepth = 0;

    struct Entry {
        explicit Entry(TickProbe& probe) : probe_(probe) {
            ++probe_.ticks;
            probe_.maxDepth = std::max(probe_.maxDepth, ++probe_.depth);
        }
        ~Entry() { --probe_.depth; }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

    private:
        TickProbe& probe_;
    };
};

}  // namespace

class TestThreadTimer : public QObject {
    Q_OBJECT
private slots:
    void fixtureWorks();
    void manualTicks_data();
    void manualTicks();
    void manualDisableAndEnable();
    void manualOverrunDelaysNextTick();
    void changeInsideHandlerDoesNotDeadlock_data();
    void changeInsideHandlerDoesNotDeadlock();
    void neverTwoTicksAtOnce();
};

void TestThreadTimer::fixtureWorks() {
    ThreadTimer timer;
    timer.setManualClock(true);
    timer.setInterval(1000);
    timer.setEnabled(true);
    QSignalSpy spy(&timer, &ThreadTimer::timeout);
    QCOMPARE(timer.advance(1000), 1);
    QCOMPARE(spy.count(), 1);
}

void TestThreadTimer::manualTicks_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QList<int>>("ticks");
    QTest::newRow("one interval in pieces")
        << 1000 << QList<int>{999, 1, 1000, 500} << QList<int>{0, 1, 1, 0};
    QTest::newRow("several intervals at once") << 1000 << QList<int>{3500, 500} << QList<int>{3, 1};
    QTest::newRow("auto-repeat interval")
        << 100 << QList<int>{250, 49, 1, 0} << QList<int>{2, 0, 1, 0};
}

void TestThreadTimer::manualTicks() {
    QFETCH(int, interval);
    QFETCH(QList<int>, steps);
    QFETCH(QList<int>, ticks);
    ThreadTimer timer;
    timer.setManualClock(true);
    timer.setInterval(interval);
    timer.setEnabled(true);
    QSignalSpy spy(&timer, &ThreadTimer::timeout);
    int total = 0;
    for (int i = 0; i < steps.size(); ++i) {
        QCOMPARE(timer.advance(steps[i]), ticks[i]);
        total += ticks[i];
    }
    QCOMPARE(spy.count(), total);
}

void TestThreadTimer::manualDisableAndEnable() {
    ThreadTimer timer;
    timer.setManualClock(true);
    timer.setInterval(1000);
    QCOMPARE(timer.advance(5000), 0);  // not enabled yet

    timer.setEnabled(true);
    QCOMPARE(timer.advance(600), 0);
    timer.setEnabled(false);
    QCOMPARE(timer.advance(5000), 0);

    // Enabled again, the first tick is a full interval away.
    timer.setEnabled(true);
    QCOMPARE(timer.advance(999), 0);
    QCOMPARE(timer.advance(1), 1);

    // A handler that disables the timer stops the ticks still due in the same advance.
    connect(&timer, &ThreadTimer::timeout, &timer, [&timer] { timer.setEnabled(false); });
    QCOMPARE(timer.advance(5000), 1);
    QVERIFY(!timer.isEnabled());
}

// A handler that runs longer than the interval: virtual time passes inside it. No tick may start
// while it runs; the overdue tick follows as soon as it returns (not one per missed interval),
// and the interval after that counts from the late tick.
void TestThreadTimer::manualOverrunDelaysNextTick() {
    ThreadTimer timer;
    timer.setManualClock(true);
    timer.setInterval(1000);
    timer.setEnabled(true);
    TickProbe probe;
    connect(&timer, &ThreadTimer::timeout, &timer, [&] {
        TickProbe::Entry entry(probe);
        if (probe.depth > 1)
            return;  // a nested tick: recorded, not driven further
        if (probe.ticks == 1)
            timer.advance(1500);
    });

    const int firedUpTo2500 = timer.advance(1000);  // the tick at 1000 and the overdue one
    const int deepestNesting = probe.maxDepth;
    const int firedBefore3500 = timer.advance(999);
    const int firedAt3500 = timer.advance(1);
    QCOMPARE((QList<int>{deepestNesting, firedUpTo2500, firedBefore3500, firedAt3500}),
             (QList<int>{1, 2, 0, 1}));
}

void TestThreadTimer::changeInsideHandlerDoesNotDeadlock_data() {
    QTest::addColumn<bool>("disable");
    QTest::newRow("disable") << true;
    QTest::newRow("change interval (worker restarts)") << false;
}

// Real worker thread, tiny interval: the handler stops the worker that is waiting for it.
void TestThreadTimer::changeInsideHandlerDoesNotDeadlock() {
    QFETCH(bool, disable);
    ThreadTimer timer;
    timer.setInterval(1);
    int ticks = 0;
    connect(&timer, &ThreadTimer::timeout, &timer, [&] {
        ++ticks;
        if (disable)
            timer.setEnabled(false);
        else if (ticks == 1)
            timer.setInterval(2);
    });
    timer.setEnabled(true);
    if (disable) {
        QTRY_COMPARE(ticks, 1);
        QVERIFY(!timer.isEnabled());
        // The worker has been joined: nothing can tick any more.
        QCoreApplication::processEvents();
        QCOMPARE(ticks, 1);
    } else {
        QTRY_VERIFY(ticks >= 3);
        QCOMPARE(timer.interval(), 2);
        timer.setEnabled(false);
    }
}

// Handlers that overrun and run the event loop meanwhile (as the program's waits do) still
// never see a second tick start inside them.
void TestThreadTimer::neverTwoTicksAtOnce() {
    ThreadTimer timer;
    timer.setInterval(1);
    TickProbe probe;
    connect(&timer, &ThreadTimer::timeout, &timer, [&] {
        TickProbe::Entry entry(probe);
        // Stay inside the handler for several intervals, handling events.
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < 5)
            QCoreApplication::processEvents();
    });
    timer.setEnabled(true);
    QTRY_VERIFY(probe.ticks >= 5);
    timer.setEnabled(false);
    QCOMPARE(probe.maxDepth, 1);
    QCOMPARE(probe.depth, 0);
}

QTEST_GUILESS_MAIN(TestThreadTimer)
#include "tst_threadtimer.moc"
