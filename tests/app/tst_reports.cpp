// Incoming reports: request tracking, dispatch, acknowledgements, dumps and their failures.

#include "AppFixture.h"

#include "WireTrace.h"

#include <QComboBox>
#include <QLabel>

using namespace karvo;
using namespace karvo::test;

namespace {

QByteArray response(quint8 type, quint8 id, QByteArray payload = {}) {
    QByteArray bytes;
    bytes.append(static_cast<char>(type));
    bytes.append(static_cast<char>(id));
    return bytes + payload;
}

void deliver(TMainForm& w, quint8 reportId, const QByteArray& data) {
    w.reports->HIDCtlDeviceData(nullptr, reportId, reinterpret_cast<const quint8*>(data.constData()),
                                static_cast<quint16>(data.size()));
}

template <typename Record>
QByteArray bytesOf(const Record& record) {
    const auto image = encode(record);
    return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<int>(image.size()));
}

}  // namespace

class TestReports : public QObject {
    Q_OBJECT

private slots:
    void requestTracking_data() {
        QTest::addColumn<QString>("entry");      // RequestQ entry of the report's ID before it
        QTest::addColumn<int>("requestId");
        QTest::addColumn<bool>("processed");
        QTest::addColumn<QString>("entryAfter");
        QTest::newRow("pending") << "1" << 227 << true << "0";
        QTest::newRow("acknowledged already") << "0" << 227 << false << "0";
        QTest::newRow("never requested") << "" << 100 << false << "";
        QTest::newRow("unsolicited") << "" << 255 << true << "";
    }
    void requestTracking() {
        QFETCH(QString, entry);
        QFETCH(int, requestId);
        QFETCH(bool, processed);
        QFETCH(QString, entryAfter);
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        const QString name = QString::number(requestId);
        if (!entry.isEmpty()) f.w().channel->RequestQ.setValue(name, entry);
        TWheelBaseConfig record;
        record.steeringAngle = 720;
        record.stopForce = 1234;
        f.w().ui.basePage->sMaxAngle->setValue(180);
        deliver(f.w(), 65, response(3, static_cast<quint8>(requestId), bytesOf(record)));
        QCOMPARE(f.w().ui.basePage->sMaxAngle->value(), processed ? 720 : 180);
        QCOMPARE(f.w().channel->RequestQ.value(name), entryAfter);
        const bool acked = processed && requestId != 255;
        QCOMPARE(f.firmware->receivedReports().size(), acked ? 1 : 0);
        if (acked)
            QCOMPARE(hex(f.firmware->receivedReports().first(), 9),
                     QStringLiteral("14 09 06 90 90 E3 90 00 00"));
    }

    void theSameAnswerTwiceIsHandledOnce() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().channel->RequestQ.setValue("227", "1");
        TWheelBaseConfig record;
        record.steeringAngle = 540;
        deliver(f.w(), 65, response(3, 227, bytesOf(record)));
        f.w().ui.basePage->sMaxAngle->setValue(300);
        deliver(f.w(), 65, response(3, 227, bytesOf(record)));
        QCOMPARE(f.w().ui.basePage->sMaxAngle->value(), 300);
        QCOMPARE(f.firmware->receivedReports().size(), 1);
    }

    void firmwareVersionGoesToTheLogAndPanel5() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.w().channel->RequestQ.setValue("224", "1");
        deliver(f.w(), 65, QByteArray::fromHex("00E0" "0A0003FF"));
        QCOMPARE(f.panel(5), QStringLiteral("10.0.3.255"));
        QCOMPARE(f.logLines().filter(QStringLiteral("] FW Version: 10.0.3.255")).size(), 1);
        QVERIFY(f.fileInCwd("application.log").contains("] FW Version: 10.0.3.255\r\n"));
    }

    void unknownAndTelemetryTypesAreAcknowledgedOnly() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().channel->RequestQ.setValue("229", "1");
        deliver(f.w(), 65, QByteArray::fromHex("04E5" "0102030405"));
        f.w().channel->RequestQ.setValue("228", "1");
        deliver(f.w(), 65, QByteArray::fromHex("77E4"));
        QCOMPARE(f.firmware->receivedReports().size(), 2);
        QCOMPARE(hex(f.firmware->receivedReports()[0], 9), QStringLiteral("14 09 06 90 90 E5 90 00 00"));
        QCOMPARE(hex(f.firmware->receivedReports()[1], 9), QStringLiteral("14 09 06 90 90 E4 90 00 00"));
    }

    void otherReportIdsAndClosingAreIgnored() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.debugOnScreen();
        f.firmware->clearReceived();
        f.w().channel->RequestQ.setValue("227", "1");
        deliver(f.w(), 66, response(3, 227, QByteArray(47, '\x01')));
        QCOMPARE(f.w().channel->RequestQ.value("227"), QStringLiteral("1"));
        f.w().reports->Closing = true;
        deliver(f.w(), 65, response(3, 227, QByteArray(47, '\x01')));
        deliver(f.w(), 1, QByteArray::fromHex("00000000FFFFFFFF"));
        QCOMPARE(f.w().channel->RequestQ.value("227"), QStringLiteral("1"));
        QVERIFY(f.firmware->receivedReports().isEmpty());
        QCOMPARE(f.w().ui.debugPage->wX->text(), QStringLiteral("0"));
    }

    void axesReportSkipsItsFirstFourBytes() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        deliver(f.w(), 1, QByteArray::fromHex("7F7F7F7F" "FFFFFFFF" "02000000"));
        f.debugOnScreen();
        QCOMPARE(f.w().ui.debugPage->wX->text(), QStringLiteral("-1"));
        QCOMPARE(f.w().ui.debugPage->wY->text(), QStringLiteral("2"));
        QCOMPARE(f.w().ui.debugPage->wZ->text(), QStringLiteral("0"));  // bytes not sent read as 0
    }

    void shortReportsDecodeMissingBytesAsZero_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("type only") << QByteArray::fromHex("A0");
        QTest::newRow("half a record") << QByteArray::fromHex("A0FF" "05000000" "0600");
    }
    void shortReportsDecodeMissingBytesAsZero() {
        QFETCH(QByteArray, data);
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        // A heap copy of exactly the received bytes: AddressSanitizer catches any read past it.
        std::unique_ptr<quint8[]> exact(new quint8[static_cast<size_t>(data.size()) + 0]);
        std::copy(data.begin(), data.end(), exact.get());
        f.debugOnScreen();
        f.w().reports->HIDCtlDeviceData(nullptr, 65, exact.get(), static_cast<quint16>(data.size()));
        if (data.size() == 8) {
            QCOMPARE(f.w().ui.debugPage->cPos->text(), QStringLiteral("5"));
            QCOMPARE(f.w().ui.debugPage->mPos->text(), QStringLiteral("6"));
            QCOMPARE(f.w().ui.debugPage->dSpeed->text(), QStringLiteral("0"));
        }
    }

    void dumpsGoToTheDebugLogOnePerLine() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.w().ui.debugPage->enableLogTofile->setChecked(true);
        f.w().channel->RequestQ.setValue("228", "1");
        deliver(f.w(), 65, response(5, 228, bytesOf(TUserEffectConfig{})));
        f.w().channel->RequestQ.setValue("226", "1");
        TMotorConfig motor;
        motor.pwmMode = 1;
        motor.pwmFreq = 2;
        motor.zIndex = true;
        motor.PPR = 2400;
        motor.ctrlDirection = 1;
        motor.Kp = 1.5f;
        motor.Ki = 0.1f;
        motor.sampleTime = 5;
        deliver(f.w(), 65, response(2, 226, bytesOf(motor)));
        deliver(f.w(), 65, response(161, 255, QByteArray::fromHex("0100FBFF")));  // never dumped
        const QList<QByteArray> lines = f.fileInCwd("debug.log").split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("{\"damperForce\":0,") && lines[0].endsWith("}\r"));
        QCOMPARE(lines[1],
                 QByteArray("{\"PPR\":2400,\"reverseEncoder\":false,\"sampleTime\":5,\"absEncoder\":false,"
                            "\"Kp\":1.5,\"Ki\":0.100000001490116,\"Kd\":0,\"ctrlDirection\":1,"
                            "\"zIndex\":true,\"pwmMode\":1,\"pwmFreq\":2,\"pidMode\":0}\r"));
        QCOMPARE(lines[2], QByteArray());
        // PWM statistics are looked up in the editing lists.
        f.debugOnScreen();
        QCOMPARE(f.w().ui.debugPage->dPWMMode->text(), QStringLiteral("PWM +/- (H-Bridge)"));
        QCOMPARE(f.w().ui.debugPage->dPWMFreq->text(), QStringLiteral("16.8 kHz"));
        QCOMPARE(f.w().ui.debugPage->dPWMPeriod->text(), QStringLiteral("-5"));
    }

    void eachDumpGoesToTheFileNamedAtThatMoment() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.w().ui.debugPage->enableLogTofile->setChecked(true);
        TFFBReport forces;
        forces.totalForce = 1.5f;
        deliver(f.w(), 65, response(254, 255, bytesOf(forces)));
        f.w().ui.debugPage->LogfileSelector->setText(QStringLiteral("second.log"));
        deliver(f.w(), 65, response(254, 255, bytesOf(forces)));
        const QByteArray first = f.fileInCwd("debug.log");
        const QByteArray second = f.fileInCwd("second.log");
        QVERIFY(first.startsWith("{\"sineForce\":0,"));  // plain ASCII, no byte-order mark
        QCOMPARE(first, second);
        QCOMPARE(first.count("\r\n"), 1);
        // Unticked: nothing is written anywhere.
        f.w().ui.debugPage->enableLogTofile->setChecked(false);
        deliver(f.w(), 65, response(254, 255, bytesOf(forces)));
        QCOMPARE(f.fileInCwd("second.log"), second);
    }

    void aFailedDumpIsShownAndTheAnswerStillAcknowledged_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty name") << "" << "Invalid characters in path";
        QTest::newRow("missing folder") << "no/such/folder/debug.log" << "The specified path was not found";
        QTest::newRow("a folder, not a file") << "afolder" << "Cannot open file \"";
    }
    void aFailedDumpIsShownAndTheAnswerStillAcknowledged() {
        QFETCH(QString, fileName);
        QFETCH(QString, error);
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().ui.debugPage->enableLogTofile->setChecked(true);
        QDir().mkdir(QStringLiteral("afolder"));
        f.w().ui.debugPage->LogfileSelector->setText(fileName);
        f.w().channel->RequestQ.setValue("227", "1");
        TWheelBaseConfig record;
        record.steeringAngle = 999;
        deliver(f.w(), 65, response(3, 227, bytesOf(record)));
        QCOMPARE(f.w().ui.basePage->sMaxAngle->value(), 999);             // shown first
        QCOMPARE(f.firmware->receivedReports().size(), 1);                 // acknowledged
        QVERIFY2(f.panel(0).contains("] " + error), qPrintable(f.panel(0)));  // and made known
        QVERIFY(f.boxes.isEmpty());
    }

    void endToEndFirmwareRequestSeenFromBothEnds() {
        QTemporaryDir traceDir;
        const QString tracePath = traceDir.filePath("wire.log");
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        auto firmware = std::make_shared<WheelBaseFirmware>();
        firmware->setStreamRate(WheelBaseFirmware::StreamRate::Off);
        firmware->setTrace(std::make_shared<WireTrace>(tracePath));
        firmware->setFirmwareVersion(TFirmwareVersion{{1, 2, 0, 7}});
        f.sim->plugWheelBase(firmware);
        QTRY_COMPARE(f.panel(5), QStringLiteral("1.2.0.7"));
        QTRY_VERIFY(firmware->acknowledgements().contains(224));
        QVERIFY(!f.logLines().filter(QStringLiteral("] FW Version: 1.2.0.7")).isEmpty());
        QFile trace(tracePath);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QString wire = QString::fromLatin1(trace.readAll());
        const int request = wire.indexOf(QStringLiteral("> 14 09 0b 00 00 e0 ff 00 00"));
        const int answer = wire.indexOf(QStringLiteral("< 41 00 e0 01 02 00 07"));
        const int ack = wire.indexOf(QStringLiteral("> 14 09 06 90 90 e0 90 00 00"));
        QVERIFY(request >= 0);
        QVERIFY(answer > request);
        QVERIFY(ack > answer);
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
