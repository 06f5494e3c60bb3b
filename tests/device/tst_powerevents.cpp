#include <QSignalSpy>
#include <QTest>
#include <thread>

#include "PowerFixture.h"

using karvo::PowerEvents;

namespace {
enum class Action { None, Suspend, Resume };

const QString kDisconnecting = QStringLiteral("Disconnecting from device.");
const QString kReconnecting = QStringLiteral("Re-connecting with device.");
const QString kFound = QStringLiteral("Device found and connected.");

QString received(quint32 code) {
    return QStringLiteral(" Received WMPOWERBROADCAST Id: ") + QString::number(code);
}
}  // namespace

Q_DECLARE_METATYPE(Action)

class TstPowerEvents : public QObject {
    Q_OBJECT
private slots:
    void fixtureConnectsWheelBase();
    void powerBroadcast_data();
    void powerBroadcast();
    void resumeWithoutWheelBaseLeavesRetriesToWatchdog();
    void resumeNestedInsideResumePass();
    void queryEndSessionAgrees();
    void endSessionTerminates();
};

void TstPowerEvents::fixtureConnectsWheelBase() {
    PowerFixture f;
    f.connectWheelBase();
    QVERIFY(f.link.isUp());
    QCOMPARE(f.window.link, karvo::kLinkConnected);
    QCOMPARE(f.backend.openChannels(), 1);
    QCOMPARE(f.window.connections, 1);
    QVERIFY(f.devMon.isEnabled());
}

void TstPowerEvents::powerBroadcast_data() {
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Action>("action");

    const QString unhandled = QStringLiteral("### !!! This event is not handled! !!! ### ID: ");
    QTest::newRow("0 query suspend")
        << 0u << "Windows is asking for hibernate Mode" << Action::None;
    QTest::newRow("1 query standby") << 1u << "Windows is asking for standby Mode" << Action::None;
    QTest::newRow("2 query suspend failed")
        << 2u << "Windows is denied to go to hibernate mode" << Action::None;
    QTest::newRow("3 query standby failed")
        << 3u << " Windows is denied to go to standby mode" << Action::None;
    QTest::newRow("4 suspend") << 4u << "Windows is going to hibernate" << Action::Suspend;
    QTest::newRow("5 standby") << 5u << "Windows is going to standby" << Action::Suspend;
    QTest::newRow("6 resume critical")
        << 6u << "Windows has resumed from critical hibernate mode" << Action::Resume;
    QTest::newRow("7 resume suspend")
        << 7u << "Windows has resumed from hibernate mode" << Action::Resume;
    QTest::newRow("8 resume standby")
        << 8u << "Windows has resumed from standby mode" << Action::Resume;
    QTest::newRow("18 resume automatic")
        << 18u << "Windows has resumed to handle an automatic event" << Action::Resume;
    QTest::newRow("9 battery low") << 9u << unhandled + "9" << Action::None;
    QTest::newRow("10 power status change") << 10u << unhandled + "10" << Action::None;
    QTest::newRow("11 OEM event") << 11u << unhandled + "11" << Action::None;
    QTest::newRow("4294967295 unsigned") << 4294967295u << unhandled + "4294967295" << Action::None;
}

// Every code from the connected state (a resume from the suspended state): its two lines, its
// action, result 0.
void TstPowerEvents::powerBroadcast() {
    QFETCH(quint32, code);
    QFETCH(QString, text);
    QFETCH(Action, action);

    PowerFixture f;
    f.connectWheelBase();
    if (action == Action::Resume) {
        f.events.OnSuspend();
        QVERIFY(!f.link.isUp());
        f.window.log.clear();
    }
    const int scansBefore = f.backend.scanCount;
    const bool watchdogBefore = f.devMon.isEnabled();
    QSignalSpy suspended(&f.events, &PowerEvents::suspendHandled);
    QSignalSpy resumed(&f.events, &PowerEvents::resumeHandled);

    QCOMPARE(f.events.WMPOWERBROADCAST(code), 0);

    QStringList expected{received(code), text};
    switch (action) {
        case Action::None:
            QCOMPARE(f.window.log, expected);
            QVERIFY(f.link.isUp());
            QCOMPARE(f.window.link, karvo::kLinkConnected);
            QCOMPARE(f.devMon.isEnabled(), watchdogBefore);
            QCOMPARE(f.backend.scanCount, scansBefore);
            QCOMPARE(suspended.count(), 0);
            QCOMPARE(resumed.count(), 0);
            break;
        case Action::Suspend:
            expected << kDisconnecting;
            QCOMPARE(f.window.log, expected);
            QVERIFY(f.link.CurrentDevice == nullptr);
            QVERIFY(!f.link.Ready);
            QCOMPARE(f.window.link, karvo::kLinkDisconnected);
            QVERIFY(!f.devMon.isEnabled());
            QCOMPARE(f.backend.openChannels(), 0);  // checked in: the node is closed
            QCOMPARE(suspended.count(), 1);
            QCOMPARE(resumed.count(), 0);
            break;
        case Action::Resume:
            expected << kReconnecting << kFound;
            QCOMPARE(f.window.log, expected);
            QCOMPARE(f.backend.scanCount, scansBefore + 1);
            QVERIFY(f.link.isUp());
            QCOMPARE(f.window.link, karvo::kLinkConnected);
            QCOMPARE(f.backend.openChannels(), 1);
            QVERIFY(f.devMon.isEnabled());
            QCOMPARE(suspended.count(), 0);
            QCOMPARE(resumed.count(), 1);
            break;
    }
}

// The wheel base is gone after the resume: the link stays down, the watchdog is on and finds
// it once it is back.
void TstPowerEvents::resumeWithoutWheelBaseLeavesRetriesToWatchdog() {
    PowerFixture f;
    f.connectWheelBase();
    QCOMPARE(f.events.WMPOWERBROADCAST(karvo::PowerEvent::Suspend), 0);
    f.backend.devices = {FakeHidBackend::keyboard()};

    QCOMPARE(f.events.WMPOWERBROADCAST(karvo::PowerEvent::ResumeSuspend), 0);
    QVERIFY(!f.link.isUp());
    QCOMPARE(f.window.link, karvo::kLinkDisconnected);
    QVERIFY(f.devMon.isEnabled());

    f.backend.devices = {FakeHidBackend::keyboard(), FakeHidBackend::wheelBase()};
    QCOMPARE(f.devMon.advance(1000), 1);
    QVERIFY(f.link.isUp());
    QCOMPARE(f.window.log.last(), kFound);
}

// A resume arriving while the pass of a resume runs its enumeration callback: the lock is
// taken again on the same thread, the nested event logs and enables the watchdog but starts
// no second pass, and the outer one then finishes.
void TstPowerEvents::resumeNestedInsideResumePass() {
    PowerFixture f;
    f.connectWheelBase();
    f.events.WMPOWERBROADCAST(karvo::PowerEvent::Suspend);
    f.window.log.clear();
    const int scansBefore = f.backend.scanCount;

    int nestedResult = -1;
    bool watchdogAfterNested = false;
    bool lockHeldDuringNested = false;
    bool nestedFired = false;
    f.window.onDeviceConnected = [&] {
        if (nestedFired)
            return;
        nestedFired = true;
        nestedResult = f.events.WMPOWERBROADCAST(karvo::PowerEvent::ResumeSuspend);
        watchdogAfterNested = f.devMon.isEnabled();
        // The outer handler still holds the lock: another thread cannot take it.
        std::thread other([&] {
            lockHeldDuringNested = !f.events.PowerEventLock.try_lock();
            if (!lockHeldDuringNested)
                f.events.PowerEventLock.unlock();
        });
        other.join();
    };
    QSignalSpy resumed(&f.events, &PowerEvents::resumeHandled);

    QCOMPARE(f.events.WMPOWERBROADCAST(karvo::PowerEvent::ResumeSuspend), 0);

    QCOMPARE(nestedResult, 0);
    QVERIFY(watchdogAfterNested);
    QVERIFY(lockHeldDuringNested);
    const QString text = PowerEvents::eventText(karvo::PowerEvent::ResumeSuspend);
    const QStringList expected{received(7), text, kReconnecting, kFound,
                               received(7), text, kReconnecting};
    QCOMPARE(f.window.log, expected);
    QCOMPARE(f.backend.scanCount, scansBefore + 1);
    QCOMPARE(resumed.count(), 2);
    QVERIFY(f.link.isUp());
    QVERIFY(f.devMon.isEnabled());
    // Released as often as taken: another thread gets it now.
    bool freeAfterwards = false;
    std::thread other([&] {
        freeAfterwards = f.events.PowerEventLock.try_lock();
        if (freeAfterwards)
            f.events.PowerEventLock.unlock();
    });
    other.join();
    QVERIFY(freeAfterwards);
}

void TstPowerEvents::queryEndSessionAgrees() {
    PowerFixture f;
    f.connectWheelBase();
    QCOMPARE(f.events.WMQUERYENDSESSION(), 1);
    QCOMPARE(f.window.log, QStringList{QStringLiteral(" Windows is requesting shutdown mode")});
    QCOMPARE(f.window.terminateCalls, 0);
    QVERIFY(f.link.isUp());
}

void TstPowerEvents::endSessionTerminates() {
    PowerFixture f;
    f.connectWheelBase();
    QCOMPARE(f.events.WMENDSESSION(), 0);
    QCOMPARE(f.window.log, QStringList{QStringLiteral(" Windows shutdown mode executed")});
    QCOMPARE(f.window.terminateCalls, 1);
}

QTEST_GUILESS_MAIN(TstPowerEvents)
#include "tst_powerevents.moc"
