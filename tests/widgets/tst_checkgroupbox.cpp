#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>

#include "CheckGroupBox.h"

using karvo::CheckGroupBox;

class TestCheckGroupBox : public QObject {
    Q_OBJECT

    struct Fixture {
        CheckGroupBox box{QStringLiteral("Damper")};
        QSlider* child = nullptr;
        Fixture() {
            auto* layout = new QVBoxLayout(&box);
            child = new QSlider(Qt::Horizontal, &box);
            layout->addWidget(child);
            box.resize(240, 90);
            box.show();
            box.setChecked(true);
        }
    };

private slots:
    void fixtureWorks() {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.box));
        QVERIFY(f.box.isChecked());
        QVERIFY(f.box.checkBoxRect().isValid());
        QVERIFY(f.box.rect().contains(f.box.checkBoxRect()));
    }

    void checkStateNeverDisablesChildren() {
        Fixture f;
        f.box.setChecked(false);
        QVERIFY(f.child->isEnabled());
        QTest::mouseClick(&f.box, Qt::LeftButton, {}, f.box.checkBoxRect().center());
        QVERIFY(f.box.isChecked());
        QTest::mouseClick(&f.box, Qt::LeftButton, {}, f.box.checkBoxRect().center());
        QVERIFY(!f.box.isChecked());
        QVERIFY(f.child->isEnabled());
    }

    void clickedOnlyForTheUser() {
        Fixture f;
        QSignalSpy clicked(&f.box, &QGroupBox::clicked);
        f.box.setChecked(false);
        f.box.setChecked(true);
        QCOMPARE(clicked.count(), 0);

        QTest::mouseClick(&f.box, Qt::LeftButton, {}, f.box.checkBoxRect().center());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toBool(), false);

        f.box.setFocus();
        QTest::keyClick(&f.box, Qt::Key_Space);
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(clicked.at(1).at(0).toBool(), true);
        QVERIFY(f.box.isChecked());
    }

    void clicksElsewhereDoNothing() {
        Fixture f;
        QSignalSpy clicked(&f.box, &QGroupBox::clicked);
        // Below the caption, inside the frame.
        QTest::mouseClick(&f.box, Qt::LeftButton, {},
                          QPoint(f.box.width() - 10, f.box.height() - 8));
        // Pressed on the check box but released elsewhere: no click either.
        QTest::mousePress(&f.box, Qt::LeftButton, {}, f.box.checkBoxRect().center());
        QTest::mouseRelease(&f.box, Qt::LeftButton, {},
                            QPoint(f.box.width() - 10, f.box.height() - 8));
        QCOMPARE(clicked.count(), 0);
        QVERIFY(f.box.isChecked());
    }

    void disabledGroupIgnoresClicks() {
        Fixture f;
        f.box.setEnabled(false);
        QTest::mouseClick(&f.box, Qt::LeftButton, {}, f.box.checkBoxRect().center());
        QVERIFY(f.box.isChecked());
    }
};

QTEST_MAIN(TestCheckGroupBox)
#include "tst_checkgroupbox.moc"
