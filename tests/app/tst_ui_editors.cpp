// The editors: controls to records on apply, records to controls on display, and the labels of
// the live statistics.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <vector>

#include "BasePage.h"
#include "DebugPage.h"
#include "HardwarePage.h"
#include "KarvoError.h"

using namespace karvo;

namespace {

template <std::size_t N>
QByteArray bytes(const std::array<quint8, N>& image) {
    return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<int>(N));
}

QByteArray repeated(const QByteArray& part, int times) {
    QByteArray result;
    for (int i = 0; i < times; ++i)
        result += part;
    return result;
}

const QLocale kPoint = QLocale::c();
const QLocale kComma(QLocale::German, QLocale::Germany);

}  // namespace

class TestUiEditors : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // ---- defaults ------------------------------------------------------------------------------

    void defaultBasePageBytes() {
        BasePage page;
        const QByteArray expected =
            QByteArray::fromHex("B400DC0500000000C800C800C8008104353F00000000B80B") +
            repeated(QByteArray::fromHex("1027"), 11) + QByteArray::fromHex("00");
        QCOMPARE(expected.size(), 47);
        QCOMPARE(bytes(encode(page.wheelBaseConfig(kPoint))).toHex(' '), expected.toHex(' '));
    }

    void defaultUserEffectBytes() {
        BasePage page;
        const QByteArray expected =
            repeated(QByteArray::fromHex("1027"), 8) + QByteArray::fromHex("0000") +
            repeated(QByteArray::fromHex("1027"), 3) + QByteArray::fromHex("01010101");
        QCOMPARE(bytes(encode(page.userEffectConfig())).toHex(' '), expected.toHex(' '));
    }

    void defaultMotorBytes() {
        HardwarePage page;
        const QByteArray expected =
            QByteArray::fromHex("0100000100E803000000010000F041000020410000803F01000000");
        QCOMPARE(bytes(encode(page.motorConfig())).toHex(' '), expected.toHex(' '));
    }

    void defaultJoystickRanges() {
        HardwarePage page;
        const TJoystickConfig record = page.joystickConfig();
        QCOMPARE(bytes(encode(record)).left(4).toHex(' '), QByteArray("60 79 fe ff"));
        QCOMPARE(record.xMax, 100000);
        for (const qint32 minimum :
             {record.yMin, record.zMin, record.rxMin, record.ryMin, record.rzMin})
            QCOMPARE(minimum, 0);
        for (const qint32 maximum :
             {record.yMax, record.zMax, record.rxMax, record.ryMax, record.rzMax})
            QCOMPARE(maximum, 100000);
    }

    // ---- sliders -------------------------------------------------------------------------------

    void gainSliders_data() {
        QTest::addColumn<quint16>("received");
        QTest::addColumn<int>("shown");
        QTest::addColumn<quint16>("sentBack");
        QTest::newRow("10000") << quint16(10000) << 100 << quint16(10000);
        QTest::newRow("9999 drops the remainder") << quint16(9999) << 99 << quint16(9900);
        QTest::newRow("150") << quint16(150) << 1 << quint16(100);
        QTest::newRow("65535 clamped") << quint16(65535) << 100 << quint16(10000);
        QTest::newRow("3700") << quint16(3700) << 37 << quint16(3700);
    }
    void gainSliders() {
        QFETCH(quint16, received);
        QFETCH(int, shown);
        QFETCH(quint16, sentBack);
        BasePage page;
        TWheelBaseConfig wheel = page.wheelBaseConfig(kPoint);
        wheel.sineGain = received;
        page.showWheelBaseConfig(wheel, kPoint);
        QCOMPARE(page.sSineGain->value(), shown);
        QCOMPARE(page.wheelBaseConfig(kPoint).sineGain, sentBack);

        TUserEffectConfig user = page.userEffectConfig();
        user.springGain = received;
        page.showUserEffectConfig(user);
        QCOMPARE(page.userSpringGain->value(), shown);
        QCOMPARE(page.userEffectConfig().springGain, sentBack);
    }

    void plainSliders_data() {
        QTest::addColumn<quint16>("angle");
        QTest::addColumn<int>("shown");
        QTest::newRow("above the range") << quint16(1200) << 1080;
        QTest::newRow("below the range") << quint16(90) << 180;
        QTest::newRow("inside") << quint16(900) << 900;
    }
    void plainSliders() {
        QFETCH(quint16, angle);
        QFETCH(int, shown);
        BasePage page;
        TWheelBaseConfig record = page.wheelBaseConfig(kPoint);
        record.steeringAngle = angle;
        record.stopForce = 1500;
        page.showWheelBaseConfig(record, kPoint);
        QCOMPARE(page.sMaxAngle->value(), shown);
        const TWheelBaseConfig back = page.wheelBaseConfig(kPoint);
        QCOMPARE(int(back.steeringAngle), shown);
        QCOMPARE(back.stopForce, quint16(1500));
    }

    void wheelBaseRoundTrip() {
        BasePage page;
        TWheelBaseConfig record;
        record.steeringAngle = 540;
        record.stopForce = 1;
        record.minForce = 2;
        record.overAllFilter = 3;
        record.damperFilter = 4;
        record.inertiaFilter = 5;
        record.frictionFilter = 6;
        record.qFactor = 0.5f;
        record.peakGain = -1.25f;
        record.totalForceGain = 100;
        record.constantGain = 200;
        record.rampGain = 300;
        record.squareGain = 400;
        record.triangleGain = 500;
        record.sineGain = 600;
        record.sawtoothUpGain = 700;
        record.sawtoothDownGain = 800;
        record.springGain = 900;
        record.damperGain = 1000;
        record.inertiaGain = 1100;
        record.frictionGain = 1200;
        record.enableTelemetryFfb = true;
        page.showWheelBaseConfig(record, kPoint);
        QCOMPARE(page.wheelBaseConfig(kPoint), record);  // every field reaches its own control
    }

    void userEffectRoundTrip() {
        BasePage page;
        TUserEffectConfig record;
        record.damperForce = 11;
        record.damperGain = 100;
        record.frictionForce = 12;
        record.frictionGain = 200;
        record.inertiaForce = 13;
        record.inertiaGain = 300;
        record.springForce = 14;
        record.springGain = 400;
        record.eOffset = 15;
        record.eGain = 16;
        record.eSaturation = 17;
        record.eCoefficent = 18;
        record.enableDamper = false;
        record.enableInertia = true;
        record.enableFriction = false;
        record.enableSpring = false;
        page.showUserEffectConfig(record);
        QVERIFY(page.GroupUserInertia->isChecked());  // inertia flag, not the second group
        QVERIFY(!page.GroupUserFriction->isChecked());
        QCOMPARE(page.userEffectConfig(), record);
        // The enable flags are plain Booleans: the sliders stay usable.
        QVERIFY(page.userDamperForce->isEnabled());
    }

    void nudgeStaysInTheRange_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("result");
        QTest::newRow("up") << 900 << 1 << 901;
        QTest::newRow("down") << 900 << -1 << 899;
        QTest::newRow("down at 180") << 180 << -1 << 180;
        QTest::newRow("up at 1080") << 1080 << 1 << 1080;
    }
    void nudgeStaysInTheRange() {
        QFETCH(int, start);
        QFETCH(int, delta);
        QFETCH(int, result);
        BasePage page;
        page.sMaxAngle->setValue(start);
        QCOMPARE(page.nudgeMaxAngle(delta), result);
        QCOMPARE(page.sMaxAngle->value(), result);
    }

    // ---- number texts --------------------------------------------------------------------------

    void numberTextsShowFourDecimals_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("qFactor");
        QTest::addColumn<QString>("peakGain");
        QTest::newRow("point") << kPoint << "0.7071"
                               << "2.0000";
        QTest::newRow("comma") << kComma << "0,7071"
                               << "2,0000";
    }
    void numberTextsShowFourDecimals() {
        QFETCH(QLocale, locale);
        QFETCH(QString, qFactor);
        QFETCH(QString, peakGain);
        BasePage page;
        TWheelBaseConfig record = page.wheelBaseConfig(kPoint);
        record.qFactor = 0.7071f;
        record.peakGain = 2.0f;
        page.showWheelBaseConfig(record, locale);
        QCOMPARE(page.edtQFactor->text(), qFactor);
        QCOMPARE(page.edtPeakGain->text(), peakGain);
        // Shown and read back with the same locale, the four decimals survive.
        QCOMPARE(page.wheelBaseConfig(locale).qFactor, 0.7071f);
    }

    void unparsableNumberStopsTheApply_data() {
        QTest::addColumn<QString>("qFactor");
        QTest::addColumn<QString>("peakGain");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("message");
        QTest::newRow("letters") << "abc"
                                 << "0" << kPoint << "'abc' is not a valid floating point value";
        QTest::newRow("peak gain empty")
            << "0.7071"
            << "" << kPoint << "'' is not a valid floating point value";
        QTest::newRow("point under a comma locale")
            << "0.5"
            << "0" << kComma << "'0.5' is not a valid floating point value";
    }
    void unparsableNumberStopsTheApply() {
        QFETCH(QString, qFactor);
        QFETCH(QString, peakGain);
        QFETCH(QLocale, locale);
        QFETCH(QString, message);
        BasePage page;
        page.edtQFactor->setText(qFactor);
        page.edtPeakGain->setText(peakGain);
        try {
            page.wheelBaseConfig(locale);
            QFAIL("no error");
        } catch (const KarvoError& error) {
            QCOMPARE(error.message(), message);
        }
        QCOMPARE(page.edtQFactor->text(), qFactor);  // the controls are left as they were
    }

    // ---- spin edits ----------------------------------------------------------------------------

    void spinEditsTruncate_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint32>("sent");
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("2.99") << 2.99 << 2;
        QTest::newRow("-100000") << -100000.0 << -100000;
    }
    void spinEditsTruncate() {
        QFETCH(double, value);
        QFETCH(qint32, sent);
        HardwarePage page;
        page.xAxisMin->setValue(value);
        page.rzAxisMax->setValue(value);
        QCOMPARE(page.joystickConfig().xMin, sent);
        QCOMPARE(page.joystickConfig().rzMax, sent);
        page.edtSampleTime->setValue(qAbs(value));
        QCOMPARE(page.motorConfig().sampleTime, quint32(qAbs(sent)));
    }

    void largestPprRoundTrip() {
        HardwarePage page;
        TMotorConfig record = page.motorConfig();
        record.PPR = 4294967295u;
        record.sampleTime = 4294967295u;
        page.showMotorConfig(record);
        QCOMPARE(page.PPR->text(), QStringLiteral("4294967295"));
        const auto image = encode(page.motorConfig());
        QCOMPARE(bytes(image).mid(5, 4).toHex(' '), QByteArray("ff ff ff ff"));
        QCOMPARE(page.motorConfig().sampleTime, 4294967295u);
    }

    void joystickValuesAreSigned() {
        HardwarePage page;
        QByteArray image(48, '\0');
        image.replace(44, 4, QByteArray::fromHex("FFFFFFFF"));
        const auto view = ByteView(reinterpret_cast<const quint8*>(image.constData()), 48);
        page.showJoystickConfig(decodeJoystickConfig(view));
        QCOMPARE(page.rzAxisMax->text(), QStringLiteral("-1"));
        QCOMPARE(page.joystickConfig().rzMax, -1);
    }

    void spinEditsKeepTheFullFloat() {
        HardwarePage page;
        TMotorConfig record = page.motorConfig();
        record.Kp = 0.123f;
        record.Kd = 2.5f;
        page.showMotorConfig(record);
        QCOMPARE(page.edtKp->text(), QStringLiteral("0.12"));
        QCOMPARE(page.motorConfig().Kp, 0.123f);  // sent back in full, not as 0.12
        QCOMPARE(page.motorConfig(), record);
    }

    void listValuesOutsideTheList_data() {
        QTest::addColumn<int>("field");  // 0 pwmMode, 1 pwmFreq, 2 pidMode, 3 ctrlDirection
        QTest::addColumn<quint8>("received");
        QTest::addColumn<int>("index");
        QTest::addColumn<quint8>("sent");
        QTest::newRow("frequency 12") << 1 << quint8(12) << -1 << quint8(255);
        QTest::newRow("frequency 8") << 1 << quint8(8) << 8 << quint8(8);
        QTest::newRow("mode 7") << 0 << quint8(7) << -1 << quint8(255);
        QTest::newRow("mode 3") << 0 << quint8(3) << 3 << quint8(3);
        QTest::newRow("pid mode 2") << 2 << quint8(2) << -1 << quint8(255);
        QTest::newRow("direction 0") << 3 << quint8(0) << 0 << quint8(0);
    }
    void listValuesOutsideTheList() {
        QFETCH(int, field);
        QFETCH(quint8, received);
        QFETCH(int, index);
        QFETCH(quint8, sent);
        HardwarePage page;
        TMotorConfig record = page.motorConfig();
        quint8* fields[] = {&record.pwmMode, &record.pwmFreq, &record.pidMode,
                            &record.ctrlDirection};
        QComboBox* lists[] = {page.pwmMode, page.pwmFreq, page.PIDMode, page.controllerDirection};
        *fields[field] = received;
        page.showMotorConfig(record);
        QCOMPARE(lists[field]->currentIndex(), index);
        TMotorConfig back = page.motorConfig();
        quint8* backFields[] = {&back.pwmMode, &back.pwmFreq, &back.pidMode, &back.ctrlDirection};
        QCOMPARE(*backFields[field], sent);
    }

    void checkBoxesFollowTheRecord() {
        HardwarePage page;
        TMotorConfig record = page.motorConfig();
        record.absEncoder = true;
        record.zIndex = false;
        record.reverseEncoder = true;
        page.showMotorConfig(record);
        QVERIFY(page.chkAbsEncoder->isChecked());
        QVERIFY(!page.chkUseZ->isChecked());
        QVERIFY(page.chkReverseEncoder->isChecked());
        QCOMPARE(page.motorConfig(), record);
    }

    // ---- statistics labels ---------------------------------------------------------------------

    void pwmStatisticsUseTheEditorLists_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("period");
        QTest::newRow("mode 1, 16.8 kHz, -5")
            << QByteArray::fromHex("0100FBFF") << "PWM +/- (H-Bridge)"
            << "16.8 kHz"
            << "-5";
        QTest::newRow("mode 7 is no entry") << QByteArray::fromHex("0708FFFF") << ""
                                            << "250 Hz"
                                            << "-1";
        QTest::newRow("frequency 9 is no entry")
            << QByteArray::fromHex("03090100") << "PWM 0..50..100"
            << ""
            << "1";
    }
    void pwmStatisticsUseTheEditorLists() {
        QFETCH(QByteArray, payload);
        QFETCH(QString, mode);
        QFETCH(QString, frequency);
        QFETCH(QString, period);
        HardwarePage hardware;
        DebugPage debug;
        debug.show();
        const auto view = ByteView(reinterpret_cast<const quint8*>(payload.constData()),
                                   static_cast<std::size_t>(payload.size()));
        debug.showPwmStats(decodePwmStats(view), hardware.pwmMode, hardware.pwmFreq);
        QCOMPARE(debug.dPWMMode->text(), mode);
        QCOMPARE(debug.dPWMFreq->text(), frequency);
        QCOMPARE(debug.dPWMPeriod->text(), period);
    }

    void encoderAndAxesInSignedDecimal() {
        DebugPage page;
        page.show();
        page.showEncoderStats({-1, 2, -3, 4, -5, 6, -2147483647 - 1});
        const QList<QLabel*> encoder = {page.cPos, page.mPos, page.dSpeed, page.pZ,
                                        page.nZ,   page.dPPR, page.dCPR};
        const QStringList shown = {"-1", "2", "-3", "4", "-5", "6", "-2147483648"};
        for (int i = 0; i < encoder.size(); ++i)
            QCOMPARE(encoder[i]->text(), shown[i]);

        TAxesReport axes;
        axes.unused = {9, 9, 9, 9};
        axes.x = -100000;
        axes.y = 1;
        axes.z = 2;
        axes.rx = 3;
        axes.ry = 4;
        axes.rz = -1;
        page.showAxes(axes);
        const QList<QLabel*> wheel = {page.wX, page.wY, page.wZ, page.wRX, page.wRY, page.wRZ};
        const QStringList values = {"-100000", "1", "2", "3", "4", "-1"};
        for (int i = 0; i < wheel.size(); ++i)
            QCOMPARE(wheel[i]->text(), values[i]);
    }

    // Off screen the page keeps only the latest record of each kind; its labels take it when
    // the page is shown, and follow every record while it is on screen.
    void hiddenStatisticsWaitForThePageToBeShown() {
        HardwarePage hardware;
        DebugPage page;
        page.showEncoderStats({1, 1, 1, 1, 1, 1, 1});
        page.showEncoderStats({7, 8, 9, 10, 11, 12, 13});
        TAxesReport axes;
        axes.x = -5;
        page.showAxes(axes);
        page.showPwmStats(TPwmStats{1, 2, -3}, hardware.pwmMode, hardware.pwmFreq);
        page.showCalculatedParams({1.5f, 0, 0, 0}, kComma);
        TFFBReport report;
        report.sineForce = 2.5f;
        page.showFfbReport(report, kPoint);
        QCOMPARE(page.cPos->text(), QStringLiteral("0"));
        QCOMPARE(page.wX->text(), QStringLiteral("0"));
        QCOMPARE(page.dTotalForce->text(), QStringLiteral("0"));

        page.show();
        QCOMPARE(page.cPos->text(), QStringLiteral("7"));
        QCOMPARE(page.dCPR->text(), QStringLiteral("13"));
        QCOMPARE(page.wX->text(), QStringLiteral("-5"));
        QCOMPARE(page.dPWMMode->text(), hardware.pwmMode->itemText(1));
        QCOMPARE(page.dPWMFreq->text(), hardware.pwmFreq->itemText(2));
        QCOMPARE(page.dPWMPeriod->text(), QStringLiteral("-3"));
        QCOMPARE(page.dTotalForce->text(), QStringLiteral("1,50"));
        QCOMPARE(page.dFFBSineForce->text(), QStringLiteral("2.50"));

        page.showEncoderStats({20, 0, 0, 0, 0, 0, 0});
        QCOMPARE(page.cPos->text(), QStringLiteral("20"));
        page.hide();
        page.showEncoderStats({30, 0, 0, 0, 0, 0, 0});
        QCOMPARE(page.cPos->text(), QStringLiteral("20"));
        page.show();
        QCOMPARE(page.cPos->text(), QStringLiteral("30"));
    }

    void forcesWithTwoDecimals() {
        DebugPage page;
        page.show();
        // Wire order: total force, stop force, total force gain, user force.
        page.showCalculatedParams({1.5f, -2.25f, 30.0f, 0.004f}, kComma);
        QCOMPARE(page.dTotalForce->text(), QStringLiteral("1,50"));
        QCOMPARE(page.dStopForce->text(), QStringLiteral("-2,25"));
        QCOMPARE(page.dTotalForceGain->text(), QStringLiteral("30,00"));
        QCOMPARE(page.dUserForce->text(), QStringLiteral("0,00"));

        TFFBReport report;
        report.constantForce = 1;
        report.rampForce = 2;
        report.springForce = 3;
        report.damperForce = 4;
        report.inertiaForce = 5;
        report.frictionForce = 6;
        report.squareForce = 7;
        report.triangleForce = 8;
        report.sineForce = 9;
        report.sawUpForce = 10;
        report.sawDownForce = 11;
        report.totalForce = -12.345f;
        page.showFfbReport(report, kPoint);
        const QList<QLabel*> labels = {
            page.dFFBConstantForce, page.dFFBRampForce,     page.dFFBSpringForce,
            page.dFFBDamperForce,   page.dFFBInertiaForce,  page.dFFBFrictionForce,
            page.dFFBSquareForce,   page.dFFBTriangleForce, page.dFFBSineForce,
            page.dFFBSawUpForce,    page.dFFBSawDownForce};
        for (int i = 0; i < labels.size(); ++i)
            QCOMPARE(labels[i]->text(), QStringLiteral("%1.00").arg(i + 1));
        QCOMPARE(page.dFFBTotalForce->text(), QStringLiteral("-12.35"));
    }
};

QTEST_MAIN(TestUiEditors)
#include "tst_ui_editors.moc"
