// Conversions between editor controls and record fields.

#include <QLocale>
#include <QTest>
#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

#include "EditorConversions.h"
#include "KarvoError.h"

using namespace karvo;

class TestEditorConversions : public QObject {
    Q_OBJECT

private slots:
    void gainToWire_data();
    void gainToWire();
    void gainFromWire_data();
    void gainFromWire();
    void clampToRange_data();
    void clampToRange();
    void truncation_data();
    void truncation();
    void nearestFloat_data();
    void nearestFloat();
    void parseLocaleFloat_data();
    void parseLocaleFloat();
    void parseLocaleFloatRejects_data();
    void parseLocaleFloatRejects();
    void formatFourDecimals_data();
    void formatFourDecimals();
    void formatTwoDecimals_data();
    void formatTwoDecimals();
    void firmwareVersionText_data();
    void firmwareVersionText();
};

void TestEditorConversions::gainToWire_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("wire");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("37") << 37 << 3700;
    QTest::newRow("100") << 100 << 10000;
}

void TestEditorConversions::gainToWire() {
    QFETCH(int, position);
    QFETCH(int, wire);
    QCOMPARE(int{karvo::gainToWire(position)}, wire);
}

void TestEditorConversions::gainFromWire_data() {
    QTest::addColumn<int>("wire");
    QTest::addColumn<int>("position");
    QTest::newRow("10000") << 10000 << 100;
    QTest::newRow("9999 drops the remainder") << 9999 << 99;
    QTest::newRow("150") << 150 << 1;
    QTest::newRow("99") << 99 << 0;
    QTest::newRow("65535 clamps 655") << 65535 << 100;
    QTest::newRow("3700") << 3700 << 37;
}

void TestEditorConversions::gainFromWire() {
    QFETCH(int, wire);
    QFETCH(int, position);
    QCOMPARE(karvo::gainFromWire(static_cast<quint16>(wire)), position);
}

void TestEditorConversions::clampToRange_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("result");
    QTest::newRow("angle 1200") << qint64{1200} << 180 << 1080 << 1080;
    QTest::newRow("angle 90") << qint64{90} << 180 << 1080 << 180;
    QTest::newRow("stop force 1500") << qint64{1500} << 0 << 10000 << 1500;
    QTest::newRow("far beyond int") << (qint64{1} << 40) << 0 << 10000 << 10000;
    QTest::newRow("u32 maximum") << qint64{4294967295} << 0 << 10000 << 10000;
    QTest::newRow("i64 minimum") << std::numeric_limits<qint64>::min() << -5 << 5 << -5;
    QTest::newRow("empty range") << qint64{7} << 10 << 3 << 10;
}

void TestEditorConversions::clampToRange() {
    QFETCH(qint64, value);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, result);
    QCOMPARE(karvo::clampToRange(value, min, max), result);
}

void TestEditorConversions::truncation_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<quint32>("unsignedBits");
    QTest::addColumn<qint32>("signedValue");
    QTest::newRow("2.5") << 2.5 << quint32{2} << qint32{2};
    QTest::newRow("-2.5") << -2.5 << quint32{0xFFFFFFFE} << qint32{-2};
    QTest::newRow("2.99") << 2.99 << quint32{2} << qint32{2};
    QTest::newRow("-0.5") << -0.5 << quint32{0} << qint32{0};
    QTest::newRow("-100000") << -100000.0 << quint32{0xFFFE7960} << qint32{-100000};
    QTest::newRow("4294967295") << 4294967295.0 << quint32{0xFFFFFFFF} << qint32{-1};
    QTest::newRow("2^32 keeps the low bits") << 4294967296.0 << quint32{0} << qint32{0};
    QTest::newRow("2^40 + 5.7") << 1099511627781.7 << quint32{5} << qint32{5};
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << quint32{0}
                                  << qint32{0};
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << quint32{0} << qint32{0};
}

void TestEditorConversions::truncation() {
    QFETCH(double, value);
    QFETCH(quint32, unsignedBits);
    QFETCH(qint32, signedValue);
    QCOMPARE(truncateToU32(value), unsignedBits);
    QCOMPARE(truncateToI32(value), signedValue);
}

void TestEditorConversions::nearestFloat_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<quint32>("bits");
    QTest::newRow("0.7071") << 0.7071 << quint32{0x3F350481};
    QTest::newRow("0.123") << 0.123 << std::bit_cast<quint32>(0.123f);
    QTest::newRow("just above the largest float") << 3.4028235e38 << quint32{0x7F7FFFFF};
    QTest::newRow("beyond the float range") << -1e39 << quint32{0xFF800000};
    QTest::newRow("below the smallest subnormal") << 1e-50 << quint32{0};
}

void TestEditorConversions::nearestFloat() {
    QFETCH(double, value);
    QFETCH(quint32, bits);
    QCOMPARE(std::bit_cast<quint32>(karvo::nearestFloat(value)), bits);
}

void TestEditorConversions::parseLocaleFloat_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<quint32>("bits");
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("C 0.7071") << "0.7071" << c << quint32{0x3F350481};
    QTest::newRow("German 0,7071") << "0,7071" << german << quint32{0x3F350481};
    QTest::newRow("blanks around") << "  1.5\t " << c << std::bit_cast<quint32>(1.5f);
    QTest::newRow("minus") << "-2" << c << std::bit_cast<quint32>(-2.0f);
    QTest::newRow("plus") << "+3" << c << std::bit_cast<quint32>(3.0f);
    QTest::newRow("no integer digits") << ".5" << c << std::bit_cast<quint32>(0.5f);
    QTest::newRow("no fraction digits") << "5." << c << std::bit_cast<quint32>(5.0f);
    QTest::newRow("exponent") << "1.5E-2" << c << std::bit_cast<quint32>(0.015f);
    QTest::newRow("German exponent") << "-1,5e+2" << german << std::bit_cast<quint32>(-150.0f);
    QTest::newRow("underflows to zero") << "1e-99999" << c << quint32{0};
    QTest::newRow("negative zero") << "-0" << c << quint32{0x80000000};
}

void TestEditorConversions::parseLocaleFloat() {
    QFETCH(QString, text);
    QFETCH(QLocale, locale);
    QFETCH(quint32, bits);
    QCOMPARE(std::bit_cast<quint32>(karvo::parseLocaleFloat(text, locale)), bits);
}

void TestEditorConversions::parseLocaleFloatRejects_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QLocale>("locale");
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("letters") << "abc" << c;
    QTest::newRow("empty") << "" << c;
    QTest::newRow("blanks only") << "   " << c;
    QTest::newRow("comma in C") << "0,7071" << c;
    QTest::newRow("point in German") << "0.7071" << german;
    QTest::newRow("group separator") << "1.000,5" << german;
    QTest::newRow("two separators") << "1.2.3" << c;
    QTest::newRow("separator alone") << "." << c;
    QTest::newRow("exponent without digits") << "1e" << c;
    QTest::newRow("exponent alone") << "e5" << c;
    QTest::newRow("two signs") << "--1" << c;
    QTest::newRow("blank inside") << "1 2" << c;
    QTest::newRow("trailing letter") << "1.5x" << c;
    QTest::newRow("too large for a double") << "1e99999" << c;
    QTest::newRow("hexadecimal") << "0x10" << c;
    QTest::newRow("infinity word") << "INF" << c;
}

void TestEditorConversions::parseLocaleFloatRejects() {
    QFETCH(QString, text);
    QFETCH(QLocale, locale);
    try {
        karvo::parseLocaleFloat(text, locale);
        QFAIL("no error raised");
    } catch (const KarvoError& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("'%1' is not a valid floating point value").arg(text));
    }
}

void TestEditorConversions::formatFourDecimals_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("0.7071") << 0.7071f << c << "0.7071";
    QTest::newRow("German 0,7071") << 0.7071f << german << "0,7071";
    QTest::newRow("2") << 2.0f << c << "2.0000";
    QTest::newRow("zero") << 0.0f << c << "0.0000";
    QTest::newRow("negative") << -1.5f << c << "-1.5000";
    QTest::newRow("exact tie rounds away") << 0.03125f << c << "0.0313";
    QTest::newRow("negative tie rounds away") << -0.03125f << c << "-0.0313";
    QTest::newRow("just below a tie") << 0.00005f << c << "0.0000";  // 4.99999987e-5
    QTest::newRow("rounds to zero, no sign") << -0.00001f << c << "0.0000";
    QTest::newRow("negative zero") << -0.0f << c << "0.0000";
    QTest::newRow("no group separator") << 12345.5f << german << "12345,5000";
    QTest::newRow("large") << 1e10f << c << "10000000000.0000";
    QTest::newRow("largest float")
        << FLT_MAX << c << "340282346638528859811704183484516925440.0000";
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << c << "NAN";
    QTest::newRow("minus infinity") << -std::numeric_limits<float>::infinity() << c << "-INF";
}

void TestEditorConversions::formatFourDecimals() {
    QFETCH(float, value);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(karvo::formatFourDecimals(value, locale), text);
}

void TestEditorConversions::formatTwoDecimals_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale c = QLocale::c();
    QTest::newRow("2") << 2.0f << c << "2.00";
    QTest::newRow("tie rounds away") << 0.125f << c << "0.13";
    QTest::newRow("negative tie") << -0.125f << c << "-0.13";
    QTest::newRow("1.005 is below the tie") << 1.005f << c << "1.00";  // 1.00499999523
    QTest::newRow("German") << 1234.5f << QLocale(QLocale::German, QLocale::Germany) << "1234,50";
}

void TestEditorConversions::formatTwoDecimals() {
    QFETCH(float, value);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(karvo::formatTwoDecimals(value, locale), text);
}

void TestEditorConversions::firmwareVersionText_data() {
    QTest::addColumn<int>("b0");
    QTest::addColumn<int>("b1");
    QTest::addColumn<int>("b2");
    QTest::addColumn<int>("b3");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.2.0.7") << 1 << 2 << 0 << 7 << "1.2.0.7";
    QTest::newRow("10.0.3.255") << 10 << 0 << 3 << 255 << "10.0.3.255";
}

void TestEditorConversions::firmwareVersionText() {
    QFETCH(int, b0);
    QFETCH(int, b1);
    QFETCH(int, b2);
    QFETCH(int, b3);
    QFETCH(QString, text);
    const TFirmwareVersion version{{static_cast<quint8>(b0), static_cast<quint8>(b1),
                                    static_cast<quint8>(b2), static_cast<quint8>(b3)}};
    QCOMPARE(karvo::firmwareVersionText(version), text);
}

QTEST_GUILESS_MAIN(TestEditorConversions)
#include "tst_editorconversions.moc"
