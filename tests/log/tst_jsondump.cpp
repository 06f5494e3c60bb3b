// JSON objects of the dumped records: golden lines, member order, float texts.

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <bit>
#include <cfloat>
#include <limits>

#include "JsonDump.h"

using namespace karvo;

namespace {

float floatFromBits(quint32 bits) {
    return std::bit_cast<float>(bits);
}

QStringList memberNames(const QString& json) {
    static const QRegularExpression name(QStringLiteral("\"([A-Za-z]+)\":"));
    QStringList names;
    for (const QRegularExpressionMatch& match : name.globalMatch(json))
        names.append(match.captured(1));
    return names;
}

QStringList orderTable(const char* commaSeparated) {
    return QString::fromLatin1(commaSeparated).split(QStringLiteral(", "));
}

// The member order of each record, as the dump format lays it down.
const char* const kMotorOrder =
    "PPR, reverseEncoder, sampleTime, absEncoder, Kp, Ki, Kd, ctrlDirection, zIndex, pwmMode, "
    "pwmFreq, pidMode";
const char* const kWheelBaseOrder =
    "sineGain, peakGain, frictionGain, sawtoothUpGain, minForce, qFactor, springGain, stopForce, "
    "constantGain, overAllFilter, enableTelemetryFfb, sawtoothDownGain, rampGain, "
    "totalForceGain, frictionFilter, damperGain, steeringAngle, damperFilter, squareGain, "
    "triangleGain, inertiaFilter, inertiaGain";
const char* const kUserEffectOrder =
    "damperForce, frictionGain, enableFriction, enableDamper, springGain, eCoefficent, "
    "frictionForce, inertiaForce, eOffset, enableSpring, damperGain, enableInertia, eGain, "
    "eSaturation, springForce, inertiaGain";
const char* const kFfbOrder =
    "sineForce, damperForce, triangleForce, squareForce, frictionForce, sawDownForce, "
    "inertiaForce, rampForce, totalForce, sawUpForce, constantForce, springForce";

TMotorConfig exampleMotor() {
    return TMotorConfig{1, 2, false, true, false, 2400, 0, 1, 1.5f, 0.1f, 0.0f, 5};
}

// Every field distinct, so that a value under the wrong name shows.
TWheelBaseConfig distinctWheelBase() {
    return TWheelBaseConfig{900, 1500, 1,   2,   3,   4,   5,   0.7071f, 2.0f,  3000, 100,
                            200, 300,  400, 500, 600, 700, 800, 9000,    10000, 1100, true};
}

TUserEffectConfig distinctUserEffect() {
    return TUserEffectConfig{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, true, false, true, false};
}

TFFBReport distinctForces() {
    return TFFBReport{1.5f, -2.0f, 0.1f, 0.25f, 3.0f, -0.5f, 4.0f, 5.5f, 6.0f, 7.0f, 8.0f, 100.0f};
}

}  // namespace

class TestJsonDump : public QObject {
    Q_OBJECT

private slots:
    void goldenLines_data();
    void goldenLines();
    void memberOrder_data();
    void memberOrder();
    void floatText_data();
    void floatText();
    void unsignedFieldsStayUnsigned();
    void nonFiniteFloatsKeepTheObjectValid();
};

void TestJsonDump::goldenLines_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("golden");
    QTest::newRow("motor example")
        << DumpRecordJson(exampleMotor())
        << "{\"PPR\":2400,\"reverseEncoder\":false,\"sampleTime\":5,\"absEncoder\":false,"
           "\"Kp\":1.5,\"Ki\":0.100000001490116,\"Kd\":0,\"ctrlDirection\":1,\"zIndex\":true,"
           "\"pwmMode\":1,\"pwmFreq\":2,\"pidMode\":0}";
    QTest::newRow("wheel base")
        << DumpRecordJson(distinctWheelBase())
        << "{\"sineGain\":500,\"peakGain\":2,\"frictionGain\":1100,\"sawtoothUpGain\":600,"
           "\"minForce\":1,\"qFactor\":0.707099974155426,\"springGain\":800,\"stopForce\":1500,"
           "\"constantGain\":100,\"overAllFilter\":2,\"enableTelemetryFfb\":true,"
           "\"sawtoothDownGain\":700,\"rampGain\":200,\"totalForceGain\":3000,"
           "\"frictionFilter\":5,\"damperGain\":9000,\"steeringAngle\":900,\"damperFilter\":3,"
           "\"squareGain\":300,\"triangleGain\":400,\"inertiaFilter\":4,\"inertiaGain\":10000}";
    QTest::newRow("user effect")
        << DumpRecordJson(distinctUserEffect())
        << "{\"damperForce\":1,\"frictionGain\":4,\"enableFriction\":true,\"enableDamper\":true,"
           "\"springGain\":8,\"eCoefficent\":12,\"frictionForce\":3,\"inertiaForce\":5,"
           "\"eOffset\":9,\"enableSpring\":false,\"damperGain\":2,\"enableInertia\":false,"
           "\"eGain\":10,\"eSaturation\":11,\"springForce\":7,\"inertiaGain\":6}";
    QTest::newRow("effect forces")
        << DumpRecordJson(distinctForces())
        << "{\"sineForce\":6,\"damperForce\":0.25,\"triangleForce\":5.5,\"squareForce\":4,"
           "\"frictionForce\":-0.5,\"sawDownForce\":8,\"inertiaForce\":3,\"rampForce\":-2,"
           "\"totalForce\":100,\"sawUpForce\":7,\"constantForce\":1.5,"
           "\"springForce\":0.100000001490116}";
}

void TestJsonDump::goldenLines() {
    QFETCH(QString, json);
    QFETCH(QString, golden);
    QCOMPARE(json, golden);
}

void TestJsonDump::memberOrder_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("motor") << DumpRecordJson(TMotorConfig{}) << orderTable(kMotorOrder);
    QTest::newRow("wheel base") << DumpRecordJson(TWheelBaseConfig{})
                                << orderTable(kWheelBaseOrder);
    QTest::newRow("user effect") << DumpRecordJson(TUserEffectConfig{})
                                 << orderTable(kUserEffectOrder);
    QTest::newRow("effect forces") << DumpRecordJson(TFFBReport{}) << orderTable(kFfbOrder);
}

void TestJsonDump::memberOrder() {
    QFETCH(QString, json);
    QFETCH(QStringList, order);
    QCOMPARE(memberNames(json), order);
    // The order is the hash order, largest first, with no equal hashes among the names.
    for (qsizetype i = 1; i < order.size(); ++i) {
        QVERIFY2(dumpNameHash(order.at(i - 1)) > dumpNameHash(order.at(i)),
                 qPrintable(order.at(i - 1) + QStringLiteral(" before ") + order.at(i)));
    }
}

void TestJsonDump::floatText_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.5") << 1.5f << "1.5";
    QTest::newRow("2") << 2.0f << "2";
    QTest::newRow("negative") << -2.5f << "-2.5";
    QTest::newRow("nearest 0.1") << 0.1f << "0.100000001490116";
    QTest::newRow("nearest -0.1") << -0.1f << "-0.100000001490116";
    QTest::newRow("nearest 0.01") << 0.01f << "0.00999999977648258";
    QTest::newRow("123456789 stored as 123456792") << 123456789.0f << "123456792";
    QTest::newRow("nearest 0.00001") << 0.00001f << "9.99999974737875E-6";
    QTest::newRow("largest float") << FLT_MAX << "3.40282346638529E38";
    QTest::newRow("smallest subnormal") << floatFromBits(0x00000001) << "1.40129846432482E-45";
    QTest::newRow("largest subnormal") << floatFromBits(0x007FFFFF) << "1.17549421069244E-38";
    QTest::newRow("smallest normal") << FLT_MIN << "1.17549435082229E-38";
    QTest::newRow("exact tie at digit 16 rounds away") << floatFromBits(0x34800000)  // 2^-22
                                                       << "2.38418579101563E-7";
    QTest::newRow("digits 16 and 17 are 49, no double rounding")
        << floatFromBits(0x3F80004E) << "1.00000929832458";  // 1.00000929832458496...
    QTest::newRow("below 1e15, fixed") << floatFromBits(0x58635FA9) << "999999986991104";
    QTest::newRow("above 1e15, exponent") << floatFromBits(0x58635FAA) << "1.00000005409997E15";
    QTest::newRow("1e14, fixed") << 1e14f << "100000000376832";
    QTest::newRow("above 1e-4, fixed") << floatFromBits(0x38D1B718) << "0.000100000004749745";
    QTest::newRow("below 1e-4, exponent") << floatFromBits(0x38D1B717) << "9.99999974737875E-5";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("negative zero") << -0.0f << "0";
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << "null";
    QTest::newRow("NaN with payload") << floatFromBits(0xFFC00123) << "null";
    QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << "null";
    QTest::newRow("minus infinity") << -std::numeric_limits<float>::infinity() << "null";
}

void TestJsonDump::floatText() {
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(formatDumpFloat(value), text);
}

void TestJsonDump::unsignedFieldsStayUnsigned() {
    TMotorConfig motor = exampleMotor();
    motor.PPR = 3000000000u;
    motor.sampleTime = 4294967295u;
    const QString json = DumpRecordJson(motor);
    QVERIFY2(json.contains(QStringLiteral("\"PPR\":3000000000,")), qPrintable(json));
    QVERIFY2(json.contains(QStringLiteral("\"sampleTime\":4294967295,")), qPrintable(json));
}

void TestJsonDump::nonFiniteFloatsKeepTheObjectValid() {
    TMotorConfig motor = exampleMotor();
    motor.Kd = std::numeric_limits<float>::quiet_NaN();
    motor.Kp = -std::numeric_limits<float>::infinity();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(DumpRecordJson(motor).toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject object = document.object();
    QCOMPARE(object.size(), 12);
    QVERIFY(object.value(QStringLiteral("Kd")).isNull());
    QVERIFY(object.value(QStringLiteral("Kp")).isNull());
    QCOMPARE(static_cast<float>(object.value(QStringLiteral("Ki")).toDouble()), 0.1f);
}

QTEST_GUILESS_MAIN(TestJsonDump)
#include "tst_jsondump.moc"
