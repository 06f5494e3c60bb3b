// A thousand suspend/resume cycles while the wheel base streams reports as fast as they are
// read: after each suspend the link is down and the watchdog off, after each resume the link
// is up on the same base and the watchdog on again; reports handed over around a suspend never
// reach a device that is not held, and the base still answers at the end.

#include "AppFixture.h"
#include "RunUntil.h"
#include "PowerEvents.h"

using namespace karvo;
using namespace karvo::test;

namespace {

constexpr int kCycles = 1000;
constexpr int kReportsPerCycle = 50;

bool down(AppFixture& f) {
    return f.panel(4) == QLatin1String("Disconnected") && !f.w().link->Ready &&
           f.w().link->CurrentDevice == nullptr && !f.w().DevMon->isEnabled();
}

bool upOn(AppFixture& f, const QString& path) {
    return f.panel(4) == QLatin1String("Connected") && f.w().link->Ready &&
           f.w().link->CurrentDevice != nullptr && f.w().link->CurrentDevice->path() == path &&
           f.w().DevMon->isEnabled();
}

}  // namespace

class TestSuspendSoak : public QObject {
    Q_OBJECT

private slots:
    void fixtureWorks() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        QVERIFY(upOn(f, f.wheelPath));
    }

    void thousandCyclesWhileStreaming() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->setStreamRate(WheelBaseFirmware::StreamRate::Max);
        int delivered = 0;
        TMainForm* window = f.window.get();
        window->HIDCtl->setInputReportHandler(
            [&delivered, window](HidDevice* device, quint8 id, const quint8* data, quint16 size) {
                ++delivered;
                window->reports->HIDCtlDeviceData(device, id, data, size);
            });
        QTRY_VERIFY(delivered > 0);
        PowerEvents& power = *f.w().power;
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            const QByteArray where = QByteArray("cycle ") + QByteArray::number(cycle);
            // Reports are on their way when the machine goes to sleep.
            const int deliveredBefore = delivered;
            QVERIFY2(runUntil([&] { return delivered >= deliveredBefore + kReportsPerCycle; }),
                     where.constData());
            QCOMPARE(power.WMPOWERBROADCAST(PowerEvent::Suspend), 0);
            QVERIFY2(down(f), where.constData());
            // Reports already handed over arrive now and are dropped before the handler; the
            // watchdog stays off.
            const int deliveredAtSuspend = delivered;
            QCoreApplication::processEvents();
            QCOMPARE(delivered, deliveredAtSuspend);
            QCOMPARE(f.w().DevMon->advance(1000), 0);
            QVERIFY2(down(f), where.constData());

            QCOMPARE(power.WMPOWERBROADCAST(PowerEvent::ResumeSuspend), 0);
            if (cycle % 10 == 9) {
                // Woken by the user: an automatic resume, then the resume from suspend.
                QCOMPARE(power.WMPOWERBROADCAST(PowerEvent::ResumeAutomatic), 0);
            }
            QVERIFY2(upOn(f, f.wheelPath), where.constData());
            QCoreApplication::processEvents();
            // A watchdog tick while the link is up changes nothing.
            QCOMPARE(f.w().DevMon->advance(1000), 1);
            QVERIFY2(upOn(f, f.wheelPath), where.constData());
        }
        // Every resume asked for the firmware version; the last request is answered and
        // acknowledged through the flood.
        f.firmware->clearReceived();
        f.w().channel->RequestFirmware();
        QTRY_VERIFY(f.firmware->acknowledgements().contains(224));
        QTRY_COMPARE(f.w().channel->RequestQ.value(QStringLiteral("224")), QStringLiteral("0"));
        QCOMPARE(f.w().HIDCtl->deviceCount(), 1);
        QVERIFY(delivered >= kCycles * kReportsPerCycle);
        qInfo("%d cycles, %d input reports handled", kCycles, delivered);
        QVERIFY(f.boxes.isEmpty());
        const QStringList lines = f.logLines();
        QCOMPARE(lines.filter(QStringLiteral("] Disconnecting from device.")).size(), kCycles);
        QCOMPARE(lines.filter(QStringLiteral("] Re-connecting with device.")).size(),
                 kCycles + kCycles / 10);
    }
};

QTEST_MAIN(TestSuspendSoak)
#include "tst_suspendsoak.moc"
