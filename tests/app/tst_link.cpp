// Finding the wheel base, keeping the link state consistent and finding it again.

#include "AppFixture.h"

using namespace karvo;
using namespace karvo::test;

class TestLink : public QObject {
    Q_OBJECT

private:
    static bool consistent(AppFixture& f) {
        const bool up = f.panel(4) == QLatin1String("Connected");
        return up == f.w().link->Ready && up == (f.w().link->CurrentDevice != nullptr);
    }

private slots:
    void fixtureWorks() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        QVERIFY(f.logLines().filter(QStringLiteral("] Device found and connected.")).size() == 1);
        QVERIFY(consistent(f));
        QVERIFY(f.w().link->CurrentDevice->readWriteAccess());
    }

    void noWheelBaseMeansDisconnectedAndTheWatchdogKeepsLooking() {
        AppFixture f({.plugWheelBase = false, .notifications = false, .settings = {}});
        f.sim->plugDevice(0x046d, QStringLiteral("Some Mouse"));
        QTRY_COMPARE(f.panel(4), QStringLiteral("Disconnected"));
        QVERIFY(!f.w().link->Ready);
        QVERIFY(consistent(f));
        // Without notifications only the watchdog can find a base plugged in later.
        auto firmware = std::make_shared<WheelBaseFirmware>();
        f.sim->plugWheelBase(firmware);
        QCOMPARE(f.panel(4), QStringLiteral("Disconnected"));
        f.w().DevMon->advance(1000);
        QCOMPARE(f.panel(4), QStringLiteral("Connected"));
        QVERIFY(consistent(f));
    }

    void unplugAndReplug() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.sim->unplug(f.wheelPath);
        QTRY_COMPARE(f.panel(4), QStringLiteral("Disconnected"));
        QVERIFY(consistent(f));
        auto firmware = std::make_shared<WheelBaseFirmware>();
        f.sim->plugWheelBase(firmware);
        QTRY_COMPARE(f.panel(4), QStringLiteral("Connected"));
        QVERIFY(consistent(f));
        // The firmware of the re-plugged base is asked for its version again.
        QTRY_VERIFY(firmware->acknowledgements().contains(224));
    }

    void unplugSeenOnlyThroughTheReaderWithoutNotifications() {
        AppFixture f({.plugWheelBase = true, .notifications = false, .settings = {}});
        QVERIFY(f.waitConnectedAndSettled());
        f.sim->unplug(f.wheelPath);
        // The reader's read fails, the device is marked departed and a pass follows.
        QTRY_COMPARE(f.panel(4), QStringLiteral("Disconnected"));
        QVERIFY(consistent(f));
    }

    void otherDevicesBeforeAndAfterTheWheelBase_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("wheel base alone") << 0 << 0;
        QTest::newRow("one device after") << 0 << 1;
        QTest::newRow("one device before") << 1 << 0;
        QTest::newRow("around") << 2 << 3;
    }
    void otherDevicesBeforeAndAfterTheWheelBase() {
        QFETCH(int, before);
        QFETCH(int, after);
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        for (int i = 0; i < before; ++i) f.sim->plugDevice(0x1234, QStringLiteral("Keyboard"));
        f.firmware = std::make_shared<WheelBaseFirmware>();
        f.firmware->setStreamRate(WheelBaseFirmware::StreamRate::Off);
        f.wheelPath = f.sim->plugWheelBase(f.firmware);
        for (int i = 0; i < after; ++i) f.sim->plugDevice(0x5678, QStringLiteral("Pedals"));
        QVERIFY(f.waitConnectedAndSettled());
        QVERIFY(consistent(f));
        // Watchdog ticks while connected change nothing.
        f.w().DevMon->advance(3000);
        QCOMPARE(f.panel(4), QStringLiteral("Connected"));
        QVERIFY(consistent(f));
    }

    void twoWheelBaseInterfacesKeepTheLastOne() {
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        auto first = std::make_shared<WheelBaseFirmware>();
        auto second = std::make_shared<WheelBaseFirmware>();
        first->setStreamRate(WheelBaseFirmware::StreamRate::Off);
        second->setStreamRate(WheelBaseFirmware::StreamRate::Off);
        // Both interfaces appear at once, as one device change.
        f.sim->setNotifications(false);
        f.sim->plugWheelBase(first);
        const QString secondPath = f.sim->plugWheelBase(second);
        f.sim->setNotifications(true);
        QTRY_COMPARE(f.panel(4), QStringLiteral("Connected"));
        QCOMPARE(f.w().link->CurrentDevice->path(), secondPath);
        QVERIFY(consistent(f));
        QTRY_COMPARE(f.logLines().filter(QStringLiteral("Device found and connected.")).size(), 2);
    }

    void anyDeviceChangeReopensTheWheelBase() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.sim->plugDevice(0x1111, QStringLiteral("Gamepad"));
        QTRY_COMPARE(f.logLines().filter(QStringLiteral("Device found and connected.")).size(), 2);
        QVERIFY(consistent(f));
        // Only the first connection applies the stored profile.
        QCOMPARE(f.logLines().filter(QStringLiteral("Applying profile configuration")).size(), 1);
    }

    void deviceWithoutAccessIsConnectedButNotAccessible() {
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        auto firmware = std::make_shared<WheelBaseFirmware>();
        const QString path = f.sim->plugWheelBase(firmware);
        f.sim->setAccessDenied(path, true);
        QTRY_COMPARE(f.panel(4), QStringLiteral("Connected"));
        QVERIFY(!f.w().link->CurrentDevice->readWriteAccess());
        QVERIFY(!f.logLines().filter(QStringLiteral("70-karvo-wheel.rules")).isEmpty());
        const QString product = f.w().link->CurrentDevice->productName();
        QVERIFY(!f.logLines().filter(product + QStringLiteral(" is not accessible")).isEmpty());
        f.w().ui.basePage->btnCalibrate->click();
        QVERIFY(f.panel(0).endsWith(QStringLiteral("] [Calibrate]Failed to send data to device")));
        QVERIFY(firmware->receivedReports().isEmpty());
    }
};

QTEST_MAIN(TestLink)
#include "tst_link.moc"
