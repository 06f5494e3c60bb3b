// What the simulated wheel base streams on its own, and the motion model behind it.

#include <QTest>
#include <cmath>
#include <set>

#include "SimTestSupport.h"
#include "WheelBaseFirmware.h"
#include "WheelMotionModel.h"

using namespace karvo;
using namespace karvo::simtest;

namespace {

constexpr quint8 kStreamed = 255;

ByteView recordOf(const QByteArray& report, int offset) {
    return bytesOf(report).subspan(static_cast<size_t>(offset));
}

bool allFinite(const TFFBReport& f) {
    for (const float v : {f.constantForce, f.rampForce, f.springForce, f.damperForce,
                          f.inertiaForce, f.frictionForce, f.squareForce, f.triangleForce,
                          f.sineForce, f.sawUpForce, f.sawDownForce, f.totalForce})
        if (!std::isfinite(v) || std::abs(v) > 10000.0f)
            return false;
    return true;
}

bool zeroAfter(const QByteArray& report, int used) {
    return report.mid(used) == QByteArray(report.size() - used, '\0');
}

}  // namespace

class TestFirmwareStreams : public QObject {
    Q_OBJECT
private slots:
    void maxRateStreamsEveryKind();
    void streamsFollowTheConfiguration();
    void answersOvertakeTheStream();
    void pacedRatesDeliverAndOffStops_data();
    void pacedRatesDeliverAndOffStops();
    void modelDrivesTheWheelPlausibly();
    void modelHonoursEffectGains();
    void modelIsReproducible();
};

void TestFirmwareStreams::maxRateStreamsEveryKind() {
    WheelBaseFirmware firmware;
    firmware.setStreamRate(WheelBaseFirmware::StreamRate::Max);
    std::multiset<int> kinds;
    for (int i = 0; i < 100; ++i) {
        const auto report = firmware.takeInputReport(0);
        QVERIFY(report.has_value());
        QCOMPARE(report->size(), WheelBaseFirmware::kInputReportLength);
        const auto id = static_cast<quint8>(report->at(0));
        if (id == kAxesReportId) {
            kinds.insert(id);
            QVERIFY(zeroAfter(*report, 1 + TAxesReport::kSize));
            const TAxesReport axes = decodeAxesReport(recordOf(*report, 1));
            QVERIFY(axes.x >= -100000 && axes.x <= 100000);
            for (const qint32 v : {axes.y, axes.z, axes.rx, axes.ry, axes.rz})
                QVERIFY(v >= 0 && v <= 100000);
            continue;
        }
        QCOMPARE(id, kResponseReportId);
        QCOMPARE(static_cast<quint8>(report->at(2)), kStreamed);
        const auto type = static_cast<quint8>(report->at(1));
        kinds.insert(type);
        QVERIFY(zeroAfter(*report, 3 + recordSizeForType(type)));
        const ByteView record = recordOf(*report, 3);
        switch (type) {
            case RecordType::EncoderStats: {
                const TEncoderStats s = decodeEncoderStats(record);
                QCOMPARE(s.ppr, 1000);
                QCOMPARE(s.cpr, 4000);
                QVERIFY(std::abs(s.currentPos) <= s.maxPos);
                QVERIFY(s.maxPos <= 2000);  // within the 180 degree lock and its end stop
                break;
            }
            case RecordType::PwmStats: {
                const TPwmStats s = decodePwmStats(record);
                QCOMPARE(s.pwmMode, quint8(1));
                QCOMPARE(s.pwmFreq, quint8(0));
                QVERIFY(std::abs(s.period) <= 10000);
                break;
            }
            case RecordType::CalculatedParams: {
                const TCalculatedParams p = decodeCalculatedParams(record);
                QCOMPARE(p.totalForceGain, 30.0f);
                QVERIFY(std::abs(p.totalForce) <= 10000.0f);
                QVERIFY(std::abs(p.stopForce) <= 1500.0f);
                QVERIFY(std::abs(p.userForce) <= 10000.0f);
                break;
            }
            case RecordType::FfbReport:
                QVERIFY(allFinite(decodeFfbReport(record)));
                break;
            default:
                QFAIL(qPrintable(QStringLiteral("unexpected record type %1").arg(type)));
        }
    }
    for (const int kind :
         {int(kAxesReportId), int(RecordType::EncoderStats), int(RecordType::PwmStats),
          int(RecordType::CalculatedParams), int(RecordType::FfbReport)})
        QCOMPARE(kinds.count(kind), size_t(20));  // taken in turn
}

void TestFirmwareStreams::streamsFollowTheConfiguration() {
    WheelBaseFirmware firmware;
    TMotorConfig motor = defaultMotorConfig();
    motor.pwmMode = 3;
    motor.pwmFreq = 5;
    motor.PPR = 2500;
    send(firmware, motorWritePacket(6, motor));
    TJoystickConfig joystick = defaultJoystickConfig();
    joystick.xMin = 1000;
    joystick.xMax = 2000;
    joystick.yMin = -50;
    joystick.yMax = -10;
    send(firmware, joystickWritePacket(6, joystick));
    TWheelBaseConfig wheel = defaultWheelBaseConfig();
    wheel.totalForceGain = 7500;
    send(firmware, wheelBaseWritePacket(6, wheel));
    firmware.setStreamRate(WheelBaseFirmware::StreamRate::Max);
    for (int i = 0; i < WheelBaseFirmware::kStreamKinds; ++i) {
        const auto report = firmware.takeInputReport(0);
        QVERIFY(report.has_value());
        const ByteView record = recordOf(*report, 3);
        if (report->at(0) == kAxesReportId) {
            const TAxesReport axes = decodeAxesReport(recordOf(*report, 1));
            QVERIFY(axes.x >= 1000 && axes.x <= 2000);
            QVERIFY(axes.y >= -50 && axes.y <= -10);
        } else if (static_cast<quint8>(report->at(1)) == RecordType::EncoderStats) {
            QCOMPARE(decodeEncoderStats(record).ppr, 2500);
            QCOMPARE(decodeEncoderStats(record).cpr, 10000);
        } else if (static_cast<quint8>(report->at(1)) == RecordType::PwmStats) {
            const TPwmStats s = decodePwmStats(record);
            QCOMPARE(s.pwmMode, quint8(3));
            QCOMPARE(s.pwmFreq, quint8(5));
            QVERIFY(s.period >= 0 && s.period <= 10000);  // 0..50..100: standstill at 5000
        } else if (static_cast<quint8>(report->at(1)) == RecordType::CalculatedParams) {
            QCOMPARE(decodeCalculatedParams(record).totalForceGain, 75.0f);
        }
    }
}

void TestFirmwareStreams::answersOvertakeTheStream() {
    WheelBaseFirmware firmware;
    firmware.setStreamRate(WheelBaseFirmware::StreamRate::Max);
    QVERIFY(firmware.takeInputReport(0).has_value());
    send(firmware, readRequestPacket(11, RecordType::FirmwareVersion, 255, RequestId::Firmware));
    const auto answer = firmware.takeInputReport(0);
    QVERIFY(answer.has_value());
    QCOMPARE(answer->left(7), fromHex("4100e001020007"));
}

void TestFirmwareStreams::pacedRatesDeliverAndOffStops_data() {
    QTest::addColumn<int>("rateValue");
    QTest::newRow("gentle") << int(WheelBaseFirmware::StreamRate::Gentle);
    QTest::newRow("1 kHz") << int(WheelBaseFirmware::StreamRate::Fast1kHz);
}

void TestFirmwareStreams::pacedRatesDeliverAndOffStops() {
    QFETCH(int, rateValue);
    const auto rate = static_cast<WheelBaseFirmware::StreamRate>(rateValue);
    WheelBaseFirmware firmware;
    firmware.setStreamRate(rate);
    QCOMPARE(firmware.streamRate(), rate);
    // The first streamed report is due at once; later ones are paced, so wait for them.
    for (int i = 0; i < WheelBaseFirmware::kStreamKinds + 1; ++i) {
        const auto report = firmware.takeInputReport(60'000);
        QVERIFY(report.has_value());
        QVERIFY(report->at(0) == kAxesReportId || static_cast<quint8>(report->at(2)) == kStreamed);
    }
    firmware.setStreamRate(WheelBaseFirmware::StreamRate::Off);
    QVERIFY(!firmware.takeInputReport(0).has_value());
}

void TestFirmwareStreams::modelDrivesTheWheelPlausibly() {
    // One simulated minute at the display's stream rate.
    WheelMotionModel model;
    TWheelBaseConfig wheel = defaultWheelBaseConfig();
    wheel.steeringAngle = 900;
    model.setConfiguration(wheel, defaultUserEffectConfig(), defaultMotorConfig());
    const qint32 halfLock = 5000;  // 450 degrees at 4000 counts a turn
    int lefts = 0, rights = 0, reversals = 0, stops = 0;
    qint32 lastSpeed = 0;
    std::set<int> activeEffects;
    for (int i = 0; i < 60 * 150; ++i) {
        model.advance(1.0 / 150);
        const TEncoderStats s = model.encoderStats();
        QVERIFY(std::abs(s.currentPos) <= s.maxPos);
        QVERIFY(std::abs(s.currentPos) <= halfLock * 6 / 5);
        if (s.currentPos > halfLock / 2)
            ++rights;
        if (s.currentPos < -halfLock / 2)
            ++lefts;
        if ((s.speed > 0) != (lastSpeed > 0))
            ++reversals;
        lastSpeed = s.speed;

        const TCalculatedParams p = model.calculatedParams();
        QVERIFY(std::abs(p.stopForce) <= wheel.stopForce);
        if (p.stopForce != 0) {
            ++stops;
            QVERIFY((p.stopForce > 0) == (s.currentPos < 0));  // pushes back toward the middle
        }
        QVERIFY(std::abs(p.totalForce) <= 10000.0f);
        QVERIFY(std::abs(p.userForce) <= 10000.0f);

        const TFFBReport f = model.effectForces();
        QVERIFY(allFinite(f));
        const float forces[] = {f.squareForce, f.triangleForce, f.sineForce, f.sawUpForce,
                                f.sawDownForce};
        for (int k = 0; k < 5; ++k)
            if (forces[k] != 0)
                activeEffects.insert(k);

        const TAxesReport axes = model.axes(defaultJoystickConfig());
        QVERIFY(axes.x >= -100000 && axes.x <= 100000);
        if (s.currentPos > 100)
            QVERIFY(axes.x > 0);
        if (s.currentPos < -100)
            QVERIFY(axes.x < 0);
    }
    QVERIFY(lefts > 0 && rights > 0);
    QVERIFY2(reversals >= 20, qPrintable(QString::number(reversals)));  // a sweep every 4 s
    QVERIFY(stops > 0);                                                 // now and then at the lock
    QCOMPARE(activeEffects.size(), size_t(5));                          // every game effect came up
    QVERIFY(model.encoderStats().zPlus > 0 && model.encoderStats().zMinus > 0);
}

void TestFirmwareStreams::modelHonoursEffectGains() {
    WheelMotionModel model;
    TWheelBaseConfig wheel = defaultWheelBaseConfig();
    wheel.springGain = 0;
    wheel.sineGain = 0;
    TUserEffectConfig user = defaultUserEffectConfig();
    user.enableDamper = user.enableFriction = user.enableInertia = user.enableSpring = false;
    model.setConfiguration(wheel, user, defaultMotorConfig());
    bool constantSeen = false;
    for (int i = 0; i < 30 * 150; ++i) {
        model.advance(1.0 / 150);
        QCOMPARE(model.effectForces().springForce, 0.0f);
        QCOMPARE(model.effectForces().sineForce, 0.0f);
        QCOMPARE(model.calculatedParams().userForce, 0.0f);
        constantSeen = constantSeen || model.effectForces().constantForce != 0;
    }
    QVERIFY(constantSeen);
}

void TestFirmwareStreams::modelIsReproducible() {
    WheelMotionModel a, b;
    for (int i = 0; i < 500; ++i) {
        a.advance(0.004);
        b.advance(0.004);
    }
    QCOMPARE(a.effectForces(), b.effectForces());
    QCOMPARE(a.encoderStats(), b.encoderStats());
    QVERIFY(a.encoderStats().currentPos != 0);
}

QTEST_GUILESS_MAIN(TestFirmwareStreams)
#include "tst_firmwarestreams.moc"
