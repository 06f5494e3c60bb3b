#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "DecimalSpinEdit.h"

using karvo::DecimalSpinEdit;

class TestDecimalSpinEdit : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void keepsTheFullValue_data() {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0.123 with two places") << 2 << 0.123 << "0.12";
        QTest::newRow("largest u32") << 0 << 4294967295.0 << "4294967295";
        QTest::newRow("negative axis minimum") << 0 << -100000.0 << "-100000";
        QTest::newRow("fraction hidden by 0 places") << 0 << 2.99 << "3";
        QTest::newRow("float Kp as double") << 2 << static_cast<double>(0.123f) << "0.12";
        QTest::newRow("negative with places") << 2 << -2.5 << "-2.50";
    }
    void keepsTheFullValue() {
        QFETCH(int, decimals);
        QFETCH(double, value);
        QFETCH(QString, shown);
        DecimalSpinEdit edit(decimals, 1, 0);
        edit.setValue(value);
        QCOMPARE(edit.text(), shown);
        QCOMPARE(edit.value(), value);  // exactly, not rounded to the places shown
    }

    void typedTextReplacesTheValue() {
        DecimalSpinEdit edit(2, 1, 0.123);
        QSignalSpy changed(&edit, &DecimalSpinEdit::valueChanged);
        edit.show();
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("-7.125"));
        QCOMPARE(edit.value(), -7.125);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().at(0).toDouble(), -7.125);
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(edit.text(), QStringLiteral("-7.13"));  // standard form again...
        QCOMPARE(edit.value(), -7.125);                  // ...the value as typed
    }

    void unparsableTextKeepsTheValue() {
        DecimalSpinEdit edit(0, 1, 1000);
        edit.show();
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("-"));
        QCOMPARE(edit.value(), 1000.0);
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(edit.text(), QStringLiteral("1000"));
    }

    void typing_data() {
        QTest::addColumn<bool>("digitsOnly");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("free") << false << "-3.5x"
                              << "-3.5" << -3.5;
        QTest::newRow("digits only") << true << "-3.5x"
                                     << "35" << 35.0;
        QTest::newRow("digits only, digits") << true << "120"
                                             << "120" << 120.0;
    }
    void typing() {
        QFETCH(bool, digitsOnly);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(double, value);
        DecimalSpinEdit edit(2, 0.1, 1);
        edit.setDigitsOnly(digitsOnly);
        edit.show();
        edit.clear();
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.text(), text);
        QCOMPARE(edit.value(), value);
    }

    void stepsWithoutRangeLimit_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("steps");
        QTest::addColumn<double>("expected");
        QTest::newRow("below zero") << 0.0 << 1.0 << -3 << -3.0;
        QTest::newRow("past u32") << 4294967295.0 << 1.0 << 1 << 4294967296.0;
        QTest::newRow("tenths") << 1.0 << 0.1 << 2 << 1.2;
    }
    void stepsWithoutRangeLimit() {
        QFETCH(double, start);
        QFETCH(double, step);
        QFETCH(int, steps);
        QFETCH(double, expected);
        DecimalSpinEdit edit(2, step, start);
        for (int i = 0; i < qAbs(steps); ++i)
            edit.stepBy(steps > 0 ? 1 : -1);
        QVERIFY(qAbs(edit.value() - expected) < 1e-9);
    }

    void arrowKeysStep() {
        DecimalSpinEdit edit(0, 1, 5);
        edit.show();
        QTest::keyClick(&edit, Qt::Key_Up);
        QTest::keyClick(&edit, Qt::Key_Up);
        QTest::keyClick(&edit, Qt::Key_Down);
        QCOMPARE(edit.value(), 6.0);
    }

    void usesTheLocaleSeparator() {
        DecimalSpinEdit edit(2, 1, 0);
        edit.setLocale(QLocale(QLocale::German, QLocale::Germany));
        edit.setValue(1234.5);
        QCOMPARE(edit.text(), QStringLiteral("1234,50"));  // no group separator
        edit.show();
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("0,25"));
        QCOMPARE(edit.value(), 0.25);
    }

    void isRightAligned() {
        DecimalSpinEdit edit;
        QVERIFY(edit.alignment() & Qt::AlignRight);
    }
};

QTEST_MAIN(TestDecimalSpinEdit)
#include "tst_decimalspinedit.moc"
