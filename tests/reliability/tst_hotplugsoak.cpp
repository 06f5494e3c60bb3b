// A thousand unplug/plug cycles of the simulated wheel base while it streams reports as fast as
// they are read: after every cycle the link settles with status panel 4, Ready and
// CurrentDevice agreeing, the re-plugged base answers its firmware request, and the HID
// controller's list does not grow. A deadlock shows as a cycle that never settles; leaks are
// left to LeakSanitizer at exit.

#include "AppFixture.h"
#include "RunUntil.h"

using namespace karvo;
using namespace karvo::test;

namespace {

constexpr int kCycles = 1000;
constexpr int kSettleMs = 20000;
constexpr int kReportsPerCycle = 50;
// Wheel base, at most one other device, and a departed wheel base not yet dropped.
constexpr int kMaxListedDevices = 3;

bool consistent(AppFixture& f) {
    const bool up = f.panel(4) == QLatin1String("Connected");
    return up == f.w().link->Ready && up == (f.w().link->CurrentDevice != nullptr);
}

bool settlesDown(AppFixture& f) {
    return runUntil([&] { return f.panel(4) == QLatin1String("Disconnected") && consistent(f); },
                    kSettleMs);
}

bool settlesUpOn(AppFixture& f, const QString& path) {
    return runUntil(
        [&] {
            return f.panel(4) == QLatin1String("Connected") && consistent(f) &&
                   f.w().link->CurrentDevice->path() == path;
        },
        kSettleMs);
}

std::shared_ptr<WheelBaseFirmware> streamingFirmware() {
    auto firmware = std::make_shared<WheelBaseFirmware>();
    firmware->setStreamRate(WheelBaseFirmware::StreamRate::Max);
    return firmware;
}

}  // namespace

class TestHotPlugSoak : public QObject {
    Q_OBJECT

private slots:
    void fixtureWorks() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.debugOnScreen();
        f.firmware->setStreamRate(WheelBaseFirmware::StreamRate::Max);
        // Streamed encoder statistics reach the Debug page.
        QTRY_VERIFY(f.w().ui.debugPage->cPos->text() != QLatin1String("0"));
        QVERIFY(consistent(f));
    }

    void thousandCyclesWithReportsInFlight() {
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
        QString wheelPath = f.wheelPath;
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            auto firmware = streamingFirmware();
            QString otherPath;
            switch (cycle % 4) {
                case 0:  // out, seen as out, back in
                    f.sim->unplug(wheelPath);
                    QVERIFY2(settlesDown(f), qPrintable(QStringLiteral("cycle %1").arg(cycle)));
                    wheelPath = f.sim->plugWheelBase(firmware);
                    break;
                case 1:  // out and in again before any pass has run
                    f.sim->unplug(wheelPath);
                    wheelPath = f.sim->plugWheelBase(firmware);
                    break;
                case 2:  // back in without a notification: only the watchdog can find it
                    f.sim->unplug(wheelPath);
                    QVERIFY2(settlesDown(f), qPrintable(QStringLiteral("cycle %1").arg(cycle)));
                    f.sim->setNotifications(false);
                    wheelPath = f.sim->plugWheelBase(firmware);
                    f.sim->setNotifications(true);
                    QCOMPARE(f.panel(4), QStringLiteral("Disconnected"));
                    f.w().DevMon->advance(1000);  // the tick's pass takes it at once
                    QCOMPARE(f.panel(4), QStringLiteral("Connected"));
                    break;
                case 3:  // another device comes as the wheel base goes, and goes after it
                    otherPath = f.sim->plugDevice(0x046d, QStringLiteral("Pedals"));
                    f.sim->unplug(wheelPath);
                    QVERIFY2(settlesDown(f), qPrintable(QStringLiteral("cycle %1").arg(cycle)));
                    wheelPath = f.sim->plugWheelBase(firmware);
                    QVERIFY2(settlesUpOn(f, wheelPath), qPrintable(QStringLiteral("cycle %1").arg(cycle)));
                    f.sim->unplug(otherPath);
                    break;
            }
            QVERIFY2(settlesUpOn(f, wheelPath), qPrintable(QStringLiteral("cycle %1").arg(cycle)));
            // The new base is read: its answer to the firmware request comes through the flood
            // and is acknowledged, and streamed reports are in flight when it goes again.
            const int deliveredBefore = delivered;
            QVERIFY2(runUntil(
                         [&] {
                             return firmware->acknowledgements().contains(224) &&
                                    delivered >= deliveredBefore + kReportsPerCycle;
                         },
                         kSettleMs),
                     qPrintable(QStringLiteral("cycle %1: no firmware answer or no stream").arg(cycle)));
            QVERIFY2(f.w().HIDCtl->deviceCount() <= kMaxListedDevices,
                     qPrintable(QStringLiteral("cycle %1: %2 devices listed")
                                    .arg(cycle)
                                    .arg(f.w().HIDCtl->deviceCount())));
        }
        QVERIFY(delivered >= kCycles * kReportsPerCycle);
        qInfo("%d cycles, %d input reports handled", kCycles, delivered);
        QVERIFY(f.boxes.isEmpty());
        // One connection per cycle plus the first; the stored profile was applied only once.
        QCOMPARE(f.logLines().filter(QStringLiteral("Applying profile configuration")).size(), 1);
        QVERIFY(f.logLines().filter(QStringLiteral("] Device found and connected.")).size() >= kCycles + 1);
    }
};

QTEST_MAIN(TestHotPlugSoak)
#include "tst_hotplugsoak.moc"
