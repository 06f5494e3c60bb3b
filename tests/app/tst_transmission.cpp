// Command packets as the simulated wheel base receives them, and the status texts of sending.

#include "AppFixture.h"

#include <QComboBox>
#include <QPushButton>

using namespace karvo;
using namespace karvo::test;

class TestTransmission : public QObject {
    Q_OBJECT

private slots:
    void packetsOnTheWire_data() {
        QTest::addColumn<int>("profile");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("expected");  // first 9 bytes of each report, in order
        QTest::addColumn<QString>("status");
        QTest::newRow("calibrate, profile 1") << 0 << "calibrate"
            << QStringList{"14 09 06 06 00 00 00 00 00"} << "[Calibrate]Data successfully sent (9) bytes";
        QTest::newRow("centre, profile 3") << 2 << "centre"
            << QStringList{"14 09 08 05 00 00 00 00 00"} << "[Centerize]Data successfully sent (9) bytes";
        QTest::newRow("calibrate, no profile") << -1 << "calibrate"
            << QStringList{"14 09 05 06 00 00 00 00 00"} << "[Calibrate]Data successfully sent (9) bytes";
        QTest::newRow("firmware") << 0 << "firmware"
            << QStringList{"14 09 0B 00 00 E0 FF 00 00"} << "[Firmware]Data successfully sent (9) bytes";
        QTest::newRow("hardware save") << 3 << "hardware save"
            << QStringList{"14 09 0B 03 00 FE FF 00 00"} << "[Save-11]Data successfully sent (9) bytes";
        QTest::newRow("hardware page shown") << 0 << "hardware page"
            << QStringList{"14 09 0B 00 01 E1 01 00 00", "14 09 0B 00 02 E2 02 00 00"}
            << "[LoadMotor]Data successfully sent (9) bytes";
        QTest::newRow("profile 2 load") << 1 << "load"
            << QStringList{"14 09 07 02 00 FE FF 00 00", "14 09 07 00 03 E3 00 00 00",
                           "14 09 07 00 05 E4 03 00 00", "14 09 07 00 04 E5 04 00 00"}
            << "[LoadTelemetry]Data successfully sent (9) bytes";
        QTest::newRow("no profile load") << -1 << "load"
            << QStringList{"14 09 05 02 00 FE FF 00 00", "14 09 05 00 03 E3 00 00 00",
                           "14 09 05 00 05 E4 03 00 00", "14 09 05 00 04 E5 04 00 00"}
            << "[LoadTelemetry]Data successfully sent (9) bytes";
        QTest::newRow("hardware apply, profile 4") << 3 << "hardware apply"
            << QStringList{"14 39 09 01 01 00 01 30 60", "14 24 09 01 02 00 02 1B 01"}
            << "[Motor]Data successfully sent (36) bytes";
    }
    void packetsOnTheWire() {
        QFETCH(int, profile);
        QFETCH(QString, action);
        QFETCH(QStringList, expected);
        QFETCH(QString, status);
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().setSelectedProfileIndex(profile);
        QCOMPARE(f.w().selectedProfileIndex(), profile);
        if (action == "calibrate") f.w().ui.basePage->btnCalibrate->click();
        if (action == "centre") f.w().ui.basePage->btnCenterize->click();
        if (action == "firmware") f.w().channel->RequestFirmware();
        if (action == "hardware save") f.w().ui.hardwarePage->btnHardwareSave->click();
        if (action == "hardware page") f.w().ui.pageControl->setCurrentWidget(f.w().ui.sTabSheet2);
        if (action == "load") f.w().ui.basePage->btnLoadProfile->click();
        if (action == "hardware apply") f.w().ui.hardwarePage->btnHardwareApply->click();

        const QList<QByteArray> received = f.firmware->receivedReports();
        QStringList got;
        for (const QByteArray& report : received) {
            QCOMPARE(report.size(), WheelBaseFirmware::kOutputReportLength);
            got << hex(report, 9);
        }
        QCOMPARE(got, expected);
        QVERIFY2(f.panel(0).endsWith("] " + status), qPrintable(f.panel(0)));
        // Every byte after the packet is zero.
        for (const QByteArray& report : received) {
            const int length = static_cast<quint8>(report[1]);
            for (int i = length; i < report.size(); ++i) QCOMPARE(report[i], '\0');
        }
    }

    void readRequestsMarkPending() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.w().channel->RequestFirmware();
        QCOMPARE(f.w().channel->RequestQ.value("224"), QStringLiteral("1"));
        f.w().profiles->btnHardwareSaveClick();
        QCOMPARE(f.w().channel->RequestQ.value("254"), QStringLiteral("1"));
        QCOMPARE(f.w().channel->RequestQ.value("100"), QString());
    }

    void nothingIsSentOrShownWithoutADevice() {
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        QTRY_COMPARE(f.panel(4), QStringLiteral("Disconnected"));
        const QString before = f.panel(0);
        f.w().ui.basePage->btnCalibrate->click();
        f.w().ui.basePage->btnApply->click();
        f.w().ui.hardwarePage->btnHardwareApply->click();
        f.w().channel->RequestFirmware();
        f.w().ui.pageControl->setCurrentWidget(f.w().ui.sTabSheet2);
        QCOMPARE(f.panel(0), before);
        QCOMPARE(f.w().channel->RequestQ.count(), 0);
        QVERIFY(f.boxes.isEmpty());
        // Only the acknowledgement reports the missing device, and still marks the request done.
        f.w().channel->SendAck(227);
        QVERIFY(f.panel(0).endsWith(QStringLiteral("] Failed to send data to device")));
        QCOMPARE(f.w().channel->RequestQ.value("227"), QStringLiteral("0"));
    }

    void aRequestGivesUpWhenTheDeviceIsNotReady() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().link->Ready = false;  // held but not ready
        f.w().channel->setReadyTimeout(50);
        f.w().channel->RequestMotorConfig();
        QVERIFY(f.panel(0).endsWith(QStringLiteral("] Device not ready")));
        QVERIFY(f.firmware->receivedReports().isEmpty());
        QCOMPARE(f.w().channel->RequestQ.value("226"), QString());
    }

    void theHardwarePageAsksEachTimeItIsShown() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        for (int i = 0; i < 2; ++i) {
            f.w().ui.pageControl->setCurrentWidget(f.w().ui.sTabSheet2);
            f.w().ui.pageControl->setCurrentWidget(f.w().ui.basePage);
        }
        int requests = 0;
        for (const QByteArray& report : f.firmware->receivedReports())
            if (report[3] == 0 && (static_cast<quint8>(report[5]) == 225 || static_cast<quint8>(report[5]) == 226))
                ++requests;
        QCOMPARE(requests, 4);
    }

    void baseApplyWithAnInvalidNumberSendsNothing() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().ui.basePage->edtQFactor->setText(QStringLiteral("abc"));
        f.w().ui.basePage->btnApply->click();
        QVERIFY(f.firmware->receivedReports().isEmpty());
        QCOMPARE(f.boxes, QStringList{QStringLiteral("'abc' is not a valid floating point value.")});
    }

    void baseApplySendsBothRecordsToTheSelectedSlot() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().setSelectedProfileIndex(4);
        f.w().ui.basePage->sMaxAngle->setValue(900);
        f.w().ui.basePage->btnApply->click();
        const QList<QByteArray> received = f.firmware->receivedReports();
        QCOMPARE(received.size(), 2);
        QCOMPARE(hex(received[0], 8), QStringLiteral("14 38 0A 01 03 00 00 2F"));
        QCOMPARE(hex(received[1], 8), QStringLiteral("14 25 0A 01 05 00 03 1C"));
        QVERIFY(f.panel(0).endsWith(QStringLiteral("] [User effect]Data successfully sent (37) bytes")));
        QCOMPARE(f.firmware->wheelBaseConfig(10).steeringAngle, quint16{900});
        QCOMPARE(f.firmware->rejectedWrites(), 0);
    }
};

QTEST_MAIN(TestTransmission)
#include "tst_transmission.moc"
