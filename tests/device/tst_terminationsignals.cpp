#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <csignal>
#include <thread>

#include "TerminationSignals.h"

using karvo::TerminationSignals;

namespace {
// A handler of the test's own, to see that the previous handler comes back.
extern "C" void testOwnHandler(int) {}

using Handler = void (*)(int);

Handler currentHandler(int signalNumber) {
    struct sigaction action {};
    ::sigaction(signalNumber, nullptr, &action);
    return action.sa_handler;
}
}  // namespace

class TstTerminationSignals : public QObject {
    Q_OBJECT
private slots:
    void signalArrivesOnGuiThread_data();
    void signalArrivesOnGuiThread();
    void previousHandlersComeBack();
    void secondInstanceLeavesFirstWorking();
};

void TstTerminationSignals::signalArrivesOnGuiThread_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("fromOtherThread");
    QTest::newRow("SIGTERM") << SIGTERM << false;
    QTest::newRow("SIGHUP") << SIGHUP << false;
    QTest::newRow("SIGTERM raised on a worker thread") << SIGTERM << true;
    QTest::newRow("SIGHUP raised on a worker thread") << SIGHUP << true;
}

void TstTerminationSignals::signalArrivesOnGuiThread() {
    QFETCH(int, signalNumber);
    QFETCH(bool, fromOtherThread);

    TerminationSignals signals_;
    QVERIFY(signals_.isInstalled());
    QThread* deliveredOn = nullptr;
    connect(&signals_, &TerminationSignals::terminationRequested, this,
            [&deliveredOn](int) { deliveredOn = QThread::currentThread(); });
    QSignalSpy spy(&signals_, &TerminationSignals::terminationRequested);

    if (fromOtherThread) {
        std::thread worker([signalNumber] { ::raise(signalNumber); });
        worker.join();
    } else {
        QCOMPARE(::raise(signalNumber), 0);
    }
    // Nothing is emitted from the handler itself: only the event loop delivers it.
    QCOMPARE(spy.count(), 0);

    QVERIFY(spy.wait(10000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toInt(), signalNumber);
    QCOMPARE(deliveredOn, QThread::currentThread());
    QCOMPARE(deliveredOn, qApp->thread());
}

void TstTerminationSignals::previousHandlersComeBack() {
    struct sigaction own {};
    own.sa_handler = testOwnHandler;
    sigemptyset(&own.sa_mask);
    struct sigaction oldTerm {
    }, oldHup{};
    QCOMPARE(::sigaction(SIGTERM, &own, &oldTerm), 0);
    QCOMPARE(::sigaction(SIGHUP, &own, &oldHup), 0);

    {
        TerminationSignals signals_;
        QVERIFY(signals_.isInstalled());
        QVERIFY(currentHandler(SIGTERM) != testOwnHandler);
        QVERIFY(currentHandler(SIGHUP) != testOwnHandler);
    }
    QVERIFY(currentHandler(SIGTERM) == testOwnHandler);
    QVERIFY(currentHandler(SIGHUP) == testOwnHandler);

    ::sigaction(SIGTERM, &oldTerm, nullptr);
    ::sigaction(SIGHUP, &oldHup, nullptr);
}

// Only one instance follows the signals; a refused second one changes nothing when it goes,
// and two signals in a row come out as two notifications in order.
void TstTerminationSignals::secondInstanceLeavesFirstWorking() {
    TerminationSignals first;
    QVERIFY(first.isInstalled());
    {
        QTest::ignoreMessage(QtWarningMsg,
                             "termination signals are already followed by another instance");
        TerminationSignals second;
        QVERIFY(!second.isInstalled());
    }
    QSignalSpy spy(&first, &TerminationSignals::terminationRequested);
    QCOMPARE(::raise(SIGHUP), 0);
    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 10000);
    QCOMPARE(spy.at(0).first().toInt(), SIGHUP);
    QCOMPARE(spy.at(1).first().toInt(), SIGTERM);
}

QTEST_GUILESS_MAIN(TstTerminationSignals)
#include "tst_terminationsignals.moc"
