// The window's life cycle, menu commands, error report, nudge buttons and themes.

#include "AppFixture.h"

#include <QAction>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>

using namespace karvo;
using namespace karvo::test;

class TestLifecycle : public QObject {
    Q_OBJECT

private slots:
    void firstStartWithoutSettings() {
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        QVERIFY(!f.w().ui.debugPage->enableLogTofile->isChecked());
        QCOMPARE(f.w().ui.basePage->cProfiles->currentText(), QStringLiteral("Profile 1"));
        QVERIFY(f.w().ui.D1->isChecked());
        QVERIFY(!f.w().ui.L1->isChecked());
        QCOMPARE(f.w().skinManager->skin(), QStringLiteral("Dark"));
        QCOMPARE(f.w().windowTitle(), QStringLiteral("Karvo Wheel Configuration"));
        // Reading never writes the settings file.
        QVERIFY(!QFile::exists(f.settingsPath));
    }

    void logToFileComesFromTheSettingsAndClicksWriteIt() {
        AppFixture f({.plugWheelBase = false, .notifications = true,
                      .settings = "[Debug]\r\nLogToFile=1\r\n\r\n"});
        QVERIFY(f.w().ui.debugPage->enableLogTofile->isChecked());
        f.w().ui.debugPage->enableLogTofile->setChecked(false);
        f.w().enableLogTofileClick();
        QCOMPARE(f.settingsFile(), QByteArray("[Debug]\r\nLogToFile=0\r\n\r\n"));
    }

    void menuMessages() {
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        f.w().ui.H2->trigger();
        f.w().ui.P1->trigger();
        f.w().ui.N1->trigger();
        QCOMPARE(f.boxes.size(), 3);
        QCOMPARE(f.boxes[0], QStringLiteral("Not implemented"));
        QCOMPARE(f.boxes[1], QStringLiteral("Not implemented"));
        QCOMPARE(f.boxes[2].split(u'\n').size(), 2);
        QVERIFY(f.boxes[2].startsWith(QStringLiteral("Karvo Wheel Configuration\n")));
    }

    void errorReportAddsAFullStopAfterLettersOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "'abc' is not a valid floating point value"
                                << "'abc' is not a valid floating point value.";
        QTest::newRow("full stop") << "Done." << "Done.";
        QTest::newRow("exclamation") << "Stop!" << "Stop!";
        QTest::newRow("digit") << "Error 5" << "Error 5.";
    }
    void errorReportAddsAFullStopAfterLettersOnly() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        f.w().guarded([&] { throw KarvoError(text); });
        QCOMPARE(f.boxes, QStringList{shown});
    }

    void nudgeButtonsAndHeldAutoRepeat() {
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        BasePage* page = f.w().ui.basePage;
        page->sMaxAngle->setValue(900);
        QCOMPARE(f.panel(2), QString());
        page->sMaxAngle->setValue(901);
        QCOMPARE(f.panel(2), QString());  // dragging does not write the panel
        page->sMaxAngle->setValue(900);
        // Held for one second: ten timer steps plus the click's own step.
        QTest::mousePress(page->btnIncWheel, Qt::LeftButton);
        QVERIFY(f.w().IncAngle->isEnabled());
        QCOMPARE(f.w().IncAngle->advance(1000), 10);
        QTest::mouseRelease(page->btnIncWheel, Qt::LeftButton);
        QVERIFY(!f.w().IncAngle->isEnabled());
        QCOMPARE(page->sMaxAngle->value(), 911);
        QCOMPARE(f.panel(2), QStringLiteral("911"));
        // The right button runs the timer but does not click.
        QTest::mousePress(page->btnDecWheel, Qt::RightButton);
        f.w().DecAngle->advance(300);
        QTest::mouseRelease(page->btnDecWheel, Qt::RightButton);
        QCOMPARE(page->sMaxAngle->value(), 908);
        // Held after a double click: the second press arrives as a double-click event.
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5),
                                page->btnDecWheel->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(page->btnDecWheel, &doubleClick);
        QVERIFY(f.w().DecAngle->isEnabled());
        QTest::mouseRelease(page->btnDecWheel, Qt::LeftButton);
        QVERIFY(!f.w().DecAngle->isEnabled());
        // At the end of the range the position stays and the panel shows the bound.
        page->sMaxAngle->setValue(180);
        QTest::mouseClick(page->btnDecWheel, Qt::LeftButton);
        QCOMPARE(page->sMaxAngle->value(), 180);
        QCOMPARE(f.panel(2), QStringLiteral("180"));
    }

    void themesSwitchStoreAndRestore() {
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        // Run from the source tree's themes so the pictures are found.
        QDir().mkpath("themes");
        for (const char* name : {"bg_dark.png", "bg_light.png"})
            QVERIFY(QFile::copy(QStringLiteral(KARVO_SOURCE_DIR "/themes/") + name,
                                QStringLiteral("themes/") + name));
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        QVERIFY(f.boxes.isEmpty());
        f.w().ui.L1->trigger();
        QVERIFY(f.w().ui.L1->isChecked());
        QVERIFY(!f.w().ui.D1->isChecked());
        QCOMPARE(f.w().skinManager->skin(), QStringLiteral("Light"));
        QCOMPARE(f.settingsFile(), QByteArray("[Themes]\r\nActive=1\r\n\r\n"));
        // A missing picture: an error box, the theme changes all the same.
        QVERIFY(QFile::remove("themes/bg_dark.png"));
        f.w().ui.D1->trigger();
        QCOMPARE(f.boxes.size(), 1);
        QVERIFY(f.boxes[0].contains("bg_dark.png"));
        QVERIFY(f.w().ui.D1->isChecked());
        QCOMPARE(f.settingsFile(), QByteArray("[Themes]\r\nActive=0\r\n\r\n"));
    }

    void anUnknownThemeValueIsLeftAlone() {
        AppFixture f({.plugWheelBase = false, .notifications = true,
                      .settings = "[Themes]\r\nActive=2\r\n\r\n"});
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        QVERIFY(!f.w().ui.D1->isChecked());
        QVERIFY(!f.w().ui.L1->isChecked());
        QVERIFY(f.boxes.isEmpty());
        QCOMPARE(f.settingsFile(), QByteArray("[Themes]\r\nActive=2\r\n\r\n"));
    }

    void statusPanelZeroFollowsTheWindowWidth() {
        AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
        f.w().resize(1200, 700);
        f.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.w()));
        QTRY_COMPARE(f.w().ui.statusBar->panelWidth(0), f.w().ui.statusBar->width() - 365);
    }

    void reportFloodWhileTheWindowCloses() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.debugOnScreen();
        f.firmware->setStreamRate(WheelBaseFirmware::StreamRate::Max);
        QTRY_VERIFY(f.w().ui.debugPage->cPos->text() != QLatin1String("0"));
        f.w().close();
        f.window.reset();  // readers stop before anything is released
        QVERIFY(f.window == nullptr);
    }
};

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
