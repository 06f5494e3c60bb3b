// Byte images of every record: golden bytes, round trips, short input.

#include <QByteArray>
#include <QTest>
#include <climits>
#include <cstddef>

#include "Records.h"

using namespace karvo;

namespace {

template <std::size_t N>
QByteArray bytesOf(const std::array<quint8, N>& image) {
    return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(N));
}

ByteView viewOf(const QByteArray& bytes) {
    return ByteView(reinterpret_cast<const quint8*>(bytes.constData()),
                    static_cast<std::size_t>(bytes.size()));
}

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray repeated(const char* hexText, int times) {
    return hex(hexText).repeated(times);
}

// The "Hardware" page editor defaults.
TMotorConfig defaultMotor() {
    TMotorConfig motor;
    motor.pwmMode = 1;
    motor.pwmFreq = 0;
    motor.absEncoder = false;
    motor.zIndex = true;
    motor.reverseEncoder = false;
    motor.PPR = 1000;
    motor.pidMode = 0;
    motor.ctrlDirection = 1;
    motor.Kp = 30;
    motor.Ki = 10;
    motor.Kd = 1;
    motor.sampleTime = 1;
    return motor;
}

// The "Base" page editor defaults.
TWheelBaseConfig defaultWheelBase() {
    TWheelBaseConfig base;
    base.steeringAngle = 180;
    base.stopForce = 1500;
    base.minForce = 0;
    base.overAllFilter = 0;
    base.damperFilter = 200;
    base.inertiaFilter = 200;
    base.frictionFilter = 200;
    base.qFactor = 0.7071f;
    base.peakGain = 0;
    base.totalForceGain = 3000;
    base.constantGain = base.rampGain = base.squareGain = base.triangleGain = 10000;
    base.sineGain = base.sawtoothUpGain = base.sawtoothDownGain = base.springGain = 10000;
    base.damperGain = base.inertiaGain = base.frictionGain = 10000;
    base.enableTelemetryFfb = false;
    return base;
}

TUserEffectConfig defaultUserEffect() {
    TUserEffectConfig user;
    user.damperForce = user.frictionForce = user.inertiaForce = user.springForce = 10000;
    user.damperGain = user.frictionGain = user.inertiaGain = user.springGain = 10000;
    user.eOffset = 0;
    user.eGain = user.eSaturation = user.eCoefficent = 10000;
    user.enableDamper = user.enableInertia = user.enableFriction = user.enableSpring = true;
    return user;
}

// Encodes the decoded golden bytes again: equal only if every field sits at its offset.
template <typename Record>
QByteArray reencoded(const QByteArray& golden, Record (*decode)(ByteView)) {
    return bytesOf(encode(decode(viewOf(golden))));
}

}  // namespace

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void goldenBytes_data();
    void goldenBytes();
    void decodedFields();
    void roundTripEveryRecord();
    void shortInputReadsZero();
    void pwmModeFromIndex_data();
    void pwmModeFromIndex();
    void recordSizeForType_data();
    void recordSizeForType();
};

void TestRecords::goldenBytes_data() {
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("golden");
    QTest::addColumn<QByteArray>("decodedAndEncoded");

    const QByteArray motorGolden =
        hex("01 00 00 01 00 E8 03 00 00 00 01 00 00 F0 41 00 00 20 41 00 00 80 3F 01 00 00 00");
    QTest::newRow("motor defaults") << bytesOf(encode(defaultMotor())) << motorGolden
                                    << reencoded(motorGolden, &decodeMotorConfig);

    const QByteArray baseGolden =
        hex("B4 00 DC 05 00 00 00 00 C8 00 C8 00 C8 00 81 04 35 3F 00 00 00 00 B8 0B") +
        repeated("10 27", 11) + hex("00");
    QTest::newRow("Base defaults") << bytesOf(encode(defaultWheelBase())) << baseGolden
                                   << reencoded(baseGolden, &decodeWheelBaseConfig);

    const QByteArray userGolden =
        repeated("10 27", 8) + hex("00 00") + repeated("10 27", 3) + hex("01 01 01 01");
    QTest::newRow("user effect defaults") << bytesOf(encode(defaultUserEffect())) << userGolden
                                          << reencoded(userGolden, &decodeUserEffectConfig);

    TMotorConfig pprOnly;
    pprOnly.PPR = 1000;
    const QByteArray pprGolden = hex("00 00 00 00 00 E8 03 00 00") + QByteArray(18, '\0');
    QTest::newRow("PPR right after reverseEncoder")
        << bytesOf(encode(pprOnly)) << pprGolden << reencoded(pprGolden, &decodeMotorConfig);

    TJoystickConfig axes;
    axes.xMin = -100000;
    axes.xMax = 100000;
    axes.yMax = 1;
    axes.rzMin = -1;
    axes.rzMax = INT_MAX;
    const QByteArray axesGolden = hex("60 79 FE FF A0 86 01 00 00 00 00 00 01 00 00 00") +
                                  QByteArray(24, '\0') + hex("FF FF FF FF FF FF FF 7F");
    QTest::newRow("joystick xMin -100000")
        << bytesOf(encode(axes)) << axesGolden << reencoded(axesGolden, &decodeJoystickConfig);

    const TPwmStats pwm{1, 0, -5};
    const QByteArray pwmGolden = hex("01 00 FB FF");
    QTest::newRow("PWM stats") << bytesOf(encode(pwm)) << pwmGolden
                               << reencoded(pwmGolden, &decodePwmStats);

    const TFirmwareVersion firmware{{10, 0, 3, 255}};
    const QByteArray firmwareGolden = hex("0A 00 03 FF");
    QTest::newRow("firmware") << bytesOf(encode(firmware)) << firmwareGolden
                              << reencoded(firmwareGolden, &decodeFirmwareVersion);

    TFFBReport forces;
    forces.constantForce = 1.0f;
    forces.rampForce = -1.0f;
    forces.springForce = 2.0f;
    forces.damperForce = 0.5f;
    forces.inertiaForce = 1.5f;
    forces.frictionForce = 3.0f;
    forces.squareForce = 4.0f;
    forces.triangleForce = -2.0f;
    forces.sineForce = 0.25f;
    forces.sawUpForce = 10.0f;
    forces.sawDownForce = 100.0f;
    forces.totalForce = 30.0f;
    const QByteArray forcesGolden =
        hex("0000803F 000080BF 00000040 0000003F 0000C03F 00004040 00008040 000000C0 0000803E "
            "00002041 0000C842 0000F041");
    QTest::newRow("effect forces")
        << bytesOf(encode(forces)) << forcesGolden << reencoded(forcesGolden, &decodeFfbReport);

    const TEncoderStats encoder{-2, 65536, 258, 1, -1, 2400, 9600};
    const QByteArray encoderGolden =
        hex("FEFFFFFF 00000100 02010000 01000000 FFFFFFFF 60090000 80250000");
    QTest::newRow("encoder stats") << bytesOf(encode(encoder)) << encoderGolden
                                   << reencoded(encoderGolden, &decodeEncoderStats);

    const TCalculatedParams calculated{1.0f, 2.0f, 0.5f, -1.0f};
    const QByteArray calculatedGolden = hex("0000803F 00000040 0000003F 000080BF");
    QTest::newRow("calculated params") << bytesOf(encode(calculated)) << calculatedGolden
                                       << reencoded(calculatedGolden, &decodeCalculatedParams);

    const TAxesReport report{{0xAA, 0xBB, 0xCC, 0xDD}, 1, -1, 256, 0, -256, 0x01020304};
    const QByteArray reportGolden =
        hex("AABBCCDD 01000000 FFFFFFFF 00010000 00000000 00FFFFFF 04030201");
    QTest::newRow("axes report") << bytesOf(encode(report)) << reportGolden
                                 << reencoded(reportGolden, &decodeAxesReport);
}

void TestRecords::goldenBytes() {
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, golden);
    QFETCH(QByteArray, decodedAndEncoded);
    QCOMPARE(encoded.toHex(' '), golden.toHex(' '));
    QCOMPARE(decodedAndEncoded.toHex(' '), golden.toHex(' '));
}

void TestRecords::decodedFields() {
    const TPwmStats pwm = decodePwmStats(viewOf(hex("01 00 FB FF")));
    QCOMPARE(pwm.pwmMode, quint8{1});
    QCOMPARE(pwm.pwmFreq, quint8{0});
    QCOMPARE(pwm.period, qint16{-5});

    const TFirmwareVersion firmware = decodeFirmwareVersion(viewOf(hex("0A 00 03 FF")));
    QCOMPARE(firmware.version, (std::array<quint8, 4>{10, 0, 3, 255}));

    const TMotorConfig motor = decodeMotorConfig(viewOf(hex("00 00 00 00 00 FF FF FF FF")));
    QCOMPARE(motor.PPR, quint32{4294967295u});

    const TJoystickConfig axes = decodeJoystickConfig(viewOf(hex("FF FF FF FF")));
    QCOMPARE(axes.xMin, qint32{-1});

    // Any non-zero byte is a set flag.
    const TUserEffectConfig user =
        decodeUserEffectConfig(viewOf(QByteArray(24, '\0') + hex("02 00 80 FF")));
    QVERIFY(user.enableDamper);
    QVERIFY(!user.enableInertia);
    QVERIFY(user.enableFriction);
    QVERIFY(user.enableSpring);
    QCOMPARE(bytesOf(encode(user)).right(4).toHex(' '), QByteArray("01 00 01 01"));
}

void TestRecords::roundTripEveryRecord() {
    const TWheelBaseConfig base{1,  2,  3,  4,  5,  6,  7,  -0.5f, 1e-3f, 8,     9,
                                10, 11, 12, 13, 14, 15, 16, 17,    18,    65535, true};
    QCOMPARE(decodeWheelBaseConfig(encode(base)), base);

    const TUserEffectConfig user{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 65535, true, false, true, true};
    QCOMPARE(decodeUserEffectConfig(encode(user)), user);

    const TMotorConfig motor{3, 8, true,  false, true,  3000000000u,
                             1, 1, 30.5f, -10,   1e30f, 4294967295u};
    QCOMPARE(decodeMotorConfig(encode(motor)), motor);

    const TJoystickConfig joystick{INT_MIN, INT_MAX, -1, 1, -2, 2, -3, 3, -4, 4, -5, 5};
    QCOMPARE(decodeJoystickConfig(encode(joystick)), joystick);

    const TFFBReport forces{1, -2, 3, -4, 5, -6, 7, -8, 9, -10, 11, -1e-40f};
    QCOMPARE(decodeFfbReport(encode(forces)), forces);

    const TFirmwareVersion firmware{{1, 2, 0, 7}};
    QCOMPARE(decodeFirmwareVersion(encode(firmware)), firmware);

    const TEncoderStats encoder{INT_MIN, INT_MAX, -3, 4, -5, 6, -7};
    QCOMPARE(decodeEncoderStats(encode(encoder)), encoder);

    const TPwmStats pwm{255, 254, -32768};
    QCOMPARE(decodePwmStats(encode(pwm)), pwm);

    const TCalculatedParams calculated{0.1f, -0.2f, 3e38f, -3e-38f};
    QCOMPARE(decodeCalculatedParams(encode(calculated)), calculated);

    const TAxesReport report{{1, 2, 3, 4}, -1, 2, -3, 4, -5, INT_MIN};
    QCOMPARE(decodeAxesReport(encode(report)), report);
}

void TestRecords::shortInputReadsZero() {
    const ByteView empty;
    QCOMPARE(decodeWheelBaseConfig(empty), TWheelBaseConfig{});
    QCOMPARE(decodeUserEffectConfig(empty), TUserEffectConfig{});
    QCOMPARE(decodeMotorConfig(empty), TMotorConfig{});
    QCOMPARE(decodeJoystickConfig(empty), TJoystickConfig{});
    QCOMPARE(decodeFfbReport(empty), TFFBReport{});
    QCOMPARE(decodeFirmwareVersion(empty), TFirmwareVersion{});
    QCOMPARE(decodeEncoderStats(empty), TEncoderStats{});
    QCOMPARE(decodePwmStats(empty), TPwmStats{});
    QCOMPARE(decodeCalculatedParams(empty), TCalculatedParams{});
    QCOMPARE(decodeAxesReport(empty), TAxesReport{});

    // The view ends inside PPR: its two missing high bytes read as 0, later fields are 0.
    TMotorConfig motor = defaultMotor();
    motor.PPR = 0x12345678;
    const auto image = encode(motor);
    const TMotorConfig cut = decodeMotorConfig(ByteView(image.data(), 7));
    QCOMPARE(cut.pwmMode, quint8{1});
    QVERIFY(cut.zIndex);
    QCOMPARE(cut.PPR, quint32{0x5678});
    QCOMPARE(cut.ctrlDirection, quint8{0});
    QCOMPARE(cut.Kp, 0.0f);
    QCOMPARE(cut.sampleTime, quint32{0});

    // Longer input than the record: the extra bytes are ignored.
    const QByteArray longer = hex("01 02 03 04 05 06");
    QCOMPARE(decodeFirmwareVersion(viewOf(longer)), (TFirmwareVersion{{1, 2, 3, 4}}));
}

void TestRecords::pwmModeFromIndex_data() {
    QTest::addColumn<qint32>("index");
    QTest::addColumn<int>("wire");
    QTest::newRow("None") << 0 << 0;
    QTest::newRow("H-Bridge") << 1 << 1;
    QTest::newRow("PWM & Dir") << 2 << 2;
    QTest::newRow("PWM 0..50..100") << 3 << 3;
    QTest::newRow("no selection") << -1 << 255;
    QTest::newRow("past the list") << 4 << 255;
    QTest::newRow("most negative") << qint32{INT_MIN} << 255;
    QTest::newRow("largest") << qint32{INT_MAX} << 255;
}

void TestRecords::pwmModeFromIndex() {
    QFETCH(qint32, index);
    QFETCH(int, wire);
    QCOMPARE(int{PwmModeFromIndex(index)}, wire);
}

void TestRecords::recordSizeForType_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("firmware") << 0 << 4;
    QTest::newRow("joystick") << 1 << 48;
    QTest::newRow("motor") << 2 << 27;
    QTest::newRow("wheel base") << 3 << 47;
    QTest::newRow("telemetry, not decoded") << 4 << 0;
    QTest::newRow("user effect") << 5 << 28;
    QTest::newRow("encoder stats") << 160 << 28;
    QTest::newRow("PWM stats") << 161 << 4;
    QTest::newRow("calculated params") << 175 << 16;
    QTest::newRow("effect forces") << 254 << 48;
    QTest::newRow("unknown") << 6 << 0;
    QTest::newRow("unsolicited marker") << 255 << 0;
}

void TestRecords::recordSizeForType() {
    QFETCH(int, type);
    QFETCH(int, size);
    QCOMPARE(karvo::recordSizeForType(static_cast<quint8>(type)), size);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
