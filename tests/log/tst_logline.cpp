#include "LogLine.h"

#include <QTest>

using namespace karvo;

class TestLogLine : public QObject {
    Q_OBJECT

private slots:
    void timeSeparator_data();
    void timeSeparator();
    void formatLogLine_data();
    void formatLogLine();
};

void TestLogLine::timeSeparator_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");

    QTest::newRow("C, HH:mm:ss") << QLocale::c() << ":";
    QTest::newRow("English US, 12-hour h:mm AP")
        << QLocale(QLocale::English, QLocale::UnitedStates) << ":";
    QTest::newRow("German HH:mm") << QLocale(QLocale::German, QLocale::Germany) << ":";
    QTest::newRow("Finnish H.mm") << QLocale(QLocale::Finnish, QLocale::Finland) << ".";
    QTest::newRow("Danish HH.mm") << QLocale(QLocale::Danish, QLocale::Denmark) << ".";
    QTest::newRow("quoted text before the hour")
        << QLocale(QLocale::LowGerman, QLocale::Germany) << ".";
    QTest::newRow("quoted text after the minutes") << QLocale(QLocale::Bulgarian) << ":";
    QTest::newRow("quoted letter between, first other char")
        << QLocale(QLocale::French, QLocale::Canada) << " ";
    QTest::newRow("day-period letter before the hour")
        << QLocale(QLocale::Chinese, QLocale::Taiwan) << ":";
}

void TestLogLine::timeSeparator() {
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(karvo::timeSeparator(locale), expected);
}

void TestLogLine::formatLogLine_data() {
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);

    QTest::newRow("two digits each")
        << QTime(9, 5, 7) << "Device not accessible" << us << "[09:05:07] Device not accessible";
    QTest::newRow("24-hour clock in a 12-hour locale")
        << QTime(23, 59, 59) << "x" << us << "[23:59:59] x";
    QTest::newRow("midnight") << QTime(0, 0, 0) << "x" << us << "[00:00:00] x";
    QTest::newRow("leading space kept")
        << QTime(23, 59, 59) << " Windows is requesting shutdown mode" << us
        << "[23:59:59]  Windows is requesting shutdown mode";
    QTest::newRow("empty message") << QTime(12, 0, 0) << "" << us << "[12:00:00] ";
    QTest::newRow("full-stop separator") << QTime(14, 2, 31) << "x" << finnish << "[14.02.31] x";
    QTest::newRow("milliseconds dropped") << QTime(14, 2, 31, 999) << "x" << us << "[14:02:31] x";
    QTest::newRow("message unchanged")
        << QTime(8, 0, 0) << "Wheel \u00e9 [1]=2" << us << "[08:00:00] Wheel \u00e9 [1]=2";
    QTest::newRow("invalid clock reading") << QTime() << "x" << us << "[00:00:00] x";
}

void TestLogLine::formatLogLine() {
    QFETCH(QTime, time);
    QFETCH(QString, message);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(karvo::formatLogLine(time, message, locale), expected);
}

QTEST_GUILESS_MAIN(TestLogLine)
#include "tst_logline.moc"
