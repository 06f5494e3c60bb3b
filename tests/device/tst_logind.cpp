#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>

#include "FakeLogind.h"
#include "LogindMonitor.h"
#include "PowerFixture.h"

using karvo::LogindMonitor;

namespace {
const char* const kRoleVariable = "KARVO_TST_LOGIND_ROLE";
const QString kNoBusLine = QStringLiteral("Power events are not followed: no system bus");

QString received(quint32 code) {
    return QStringLiteral(" Received WMPOWERBROADCAST Id: ") + QString::number(code);
}

// Run as a child process with DBUS_SYSTEM_BUS_ADDRESS pointing nowhere: the system bus
// connection of a process is made once, so this case needs a process of its own. Prints the
// system log lines and the result of start() for the parent test to check.
int runWithoutSystemBus() {
    PowerFixture f;
    f.connectWheelBase();
    LogindMonitor monitor(f.events, [&f](const QString& msg) { f.window.SetSysLog(msg); });
    const bool started = monitor.start();
    for (const QString& line : f.window.log)
        std::printf("log: %s\n", qPrintable(line));
    std::printf("started: %s\n", started ? "true" : "false");
    std::printf("link up: %s\n", f.link.isUp() ? "true" : "false");
    return 0;
}
}  // namespace

class TstLogind : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void fixtureTakesInhibitorFromFakeLogind();
    void sleepReleasesInhibitorAndResumeTakesItAgain();
    void refusedInhibitorIsNotFatal();
    void shutdownEndsSession();
    void noSystemBusIsOneLogLine();

private:
    QTemporaryDir busDir_;
    QProcess daemon_;
    QString busAddress_;
    std::unique_ptr<FakeLogind> logind_;
    std::unique_ptr<PowerFixture> fixture_;
    std::unique_ptr<LogindMonitor> monitor_;
};

void TstLogind::initTestCase() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    QVERIFY2(!daemon.isEmpty(), "dbus-daemon is needed for this test (Debian package dbus-daemon)");
    QVERIFY(busDir_.isValid());

    const QString config = busDir_.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>custom</type>\n"
            "  <listen>unix:dir=%1</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <policy context=\"default\">\n"
            "    <allow user=\"*\"/>\n"
            "    <allow own=\"*\"/>\n"
            "    <allow send_destination=\"*\"/>\n"
            "    <allow receive_sender=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n")
            .arg(busDir_.path())
            .toUtf8());
    file.close();

    daemon_.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                           QStringLiteral("--print-address")});
    QVERIFY2(daemon_.waitForStarted(10000), qPrintable(daemon_.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(daemon_.canReadLine(), 10000);
    busAddress_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    QVERIFY(!busAddress_.isEmpty());

    // Must happen before the first use of QtDBus: the system bus connection is made once.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", busAddress_.toUtf8());

    QDBusConnection fakeSide =
        QDBusConnection::connectToBus(busAddress_, QStringLiteral("fake-logind"));
    QVERIFY2(fakeSide.isConnected(), qPrintable(fakeSide.lastError().message()));
    logind_ = std::make_unique<FakeLogind>();
    QVERIFY(fakeSide.registerObject(
        QStringLiteral("/org/freedesktop/login1"), logind_.get(),
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    QVERIFY(fakeSide.registerService(QStringLiteral("org.freedesktop.login1")));
    QVERIFY(QDBusConnection::systemBus().isConnected());
}

void TstLogind::cleanupTestCase() {
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
    logind_.reset();
    daemon_.terminate();
    daemon_.waitForFinished(10000);
}

void TstLogind::init() {
    logind_->reset();
    fixture_ = std::make_unique<PowerFixture>();
    fixture_->connectWheelBase();
    monitor_ = std::make_unique<LogindMonitor>(
        fixture_->events, [this](const QString& msg) { fixture_->window.SetSysLog(msg); });
}

void TstLogind::cleanup() {
    monitor_.reset();
    fixture_.reset();
}

void TstLogind::fixtureTakesInhibitorFromFakeLogind() {
    QVERIFY(monitor_->start());
    QVERIFY(monitor_->isFollowing());
    QTRY_VERIFY_WITH_TIMEOUT(monitor_->holdsInhibitor(), 10000);
    QCOMPARE(logind_->inhibitCalls.size(), 1);
    const QStringList expected{QStringLiteral("sleep"), QStringLiteral("Karvo Wheel Configuration"),
                               QStringLiteral("Releasing the wheel base before sleep"),
                               QStringLiteral("delay")};
    QCOMPARE(logind_->inhibitCalls.first(), expected);
    QVERIFY(!logind_->lockReleased(0));
    QVERIFY(fixture_->window.log.isEmpty());
}

void TstLogind::sleepReleasesInhibitorAndResumeTakesItAgain() {
    PowerFixture& f = *fixture_;
    QVERIFY(monitor_->start());
    QTRY_VERIFY_WITH_TIMEOUT(monitor_->holdsInhibitor(), 10000);

    // The lock must still be held while the wheel base is let go.
    bool heldWhileDisconnecting = false;
    f.window.onLog = [&](const QString& msg) {
        if (msg == QStringLiteral("Disconnecting from device."))
            heldWhileDisconnecting = monitor_->holdsInhibitor() && !logind_->lockReleased(0);
    };

    emit logind_->PrepareForSleep(true);
    const QStringList sleepLines{received(4), QStringLiteral("Windows is going to hibernate"),
                                 QStringLiteral("Disconnecting from device.")};
    QTRY_COMPARE_WITH_TIMEOUT(f.window.log, sleepLines, 10000);
    QVERIFY(heldWhileDisconnecting);
    QTRY_VERIFY_WITH_TIMEOUT(logind_->lockReleased(0), 10000);
    QVERIFY(!monitor_->holdsInhibitor());
    QVERIFY(!f.link.isUp());
    QVERIFY(!f.devMon.isEnabled());
    QCOMPARE(logind_->inhibitCalls.size(), 1);

    f.window.log.clear();
    emit logind_->PrepareForSleep(false);
    const QStringList resumeLines{received(7),
                                  QStringLiteral("Windows has resumed from hibernate mode"),
                                  QStringLiteral("Re-connecting with device."),
                                  QStringLiteral("Device found and connected.")};
    QTRY_COMPARE_WITH_TIMEOUT(f.window.log, resumeLines, 10000);
    QVERIFY(f.link.isUp());
    QVERIFY(f.devMon.isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(monitor_->holdsInhibitor(), 10000);
    QCOMPARE(logind_->inhibitCalls.size(), 2);
    QCOMPARE(logind_->locksHandedOut(), 2);
    QVERIFY(!logind_->lockReleased(1));
}

// logind may refuse the lock (policy): the events are followed all the same.
void TstLogind::refusedInhibitorIsNotFatal() {
    logind_->refuseInhibit = true;
    QVERIFY(monitor_->start());
    QTRY_COMPARE_WITH_TIMEOUT(logind_->inhibitCalls.size(), 1, 10000);
    QVERIFY(!monitor_->holdsInhibitor());

    emit logind_->PrepareForSleep(true);
    QTRY_VERIFY_WITH_TIMEOUT(!fixture_->link.isUp(), 10000);
    QCOMPARE(fixture_->window.log.first(), received(4));
    QVERIFY(!monitor_->holdsInhibitor());
}

void TstLogind::shutdownEndsSession() {
    QVERIFY(monitor_->start());
    emit logind_->PrepareForShutdown(false);  // a called-off shutdown: nothing to do
    emit logind_->PrepareForShutdown(true);
    const QStringList expected{QStringLiteral(" Windows is requesting shutdown mode"),
                               QStringLiteral(" Windows shutdown mode executed")};
    QTRY_COMPARE_WITH_TIMEOUT(fixture_->window.log, expected, 10000);
    QCOMPARE(fixture_->window.terminateCalls, 1);
}

void TstLogind::noSystemBusIsOneLogLine() {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kRoleVariable), QStringLiteral("no-bus"));
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + busDir_.filePath(QStringLiteral("no-such-socket")));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList expected{QStringLiteral("log: ") + kNoBusLine,
                               QStringLiteral("started: false"), QStringLiteral("link up: true")};
    QCOMPARE(lines, expected);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariable(kRoleVariable) == QStringLiteral("no-bus"))
        return runWithoutSystemBus();
    TstLogind test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logind.moc"
