// The window built by MainWindowUi: pages, status bar, menu, sizes, and the fixed widths that
// follow every resize and screen change.

#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "EventWatcher.h"
#include "MainWindowUi.h"
#include "SkinManager.h"

using namespace karvo;

class TestUiMainWindow : public QObject {
    Q_OBJECT

    struct Window {
        QMainWindow window;
        MainWindowUi ui;
        Window() { ui.setupUi(&window); }
    };

    // Makes the fixed widths wrong, as a rescaling of the whole window would.
    static void disturbFixedWidths(MainWindowUi& ui) {
        for (QLabel* label : ui.debugPage->statisticsLabels())
            label->setFixedWidth(10);
        for (QCheckBox* box : {ui.hardwarePage->chkAbsEncoder, ui.hardwarePage->chkUseZ,
                               ui.hardwarePage->chkReverseEncoder})
            box->setFixedWidth(10);
    }

    static bool fixedWidthsHold(const MainWindowUi& ui) {
        for (const QLabel* label : ui.debugPage->statisticsLabels()) {
            if (label->width() != 150)
                return false;
        }
        for (const QCheckBox* box : {ui.hardwarePage->chkAbsEncoder, ui.hardwarePage->chkUseZ,
                                     ui.hardwarePage->chkReverseEncoder}) {
            if (box->width() != 300)
                return false;
        }
        return true;
    }

private slots:
    void windowProperties() {
        Window w;
        QCOMPARE(w.window.windowTitle(), QStringLiteral("Karvo Wheel Configuration"));
        QCOMPARE(w.window.minimumSize(), QSize(800, 550));
        QCOMPARE(w.window.font().family(), QStringLiteral("Arial"));
        QCOMPARE(w.window.font().pixelSize(), 13);
        QCOMPARE(w.window.centralWidget(), w.ui.pageControl);
        QCOMPARE(w.window.statusBar(), w.ui.statusBar);
        QCOMPARE(w.ui.statusBar->objectName(), QStringLiteral("StatusBar"));
        // The design's client area, pages and status bar, below the menu bar.
        QCOMPARE(w.window.size(), QSize(1081, 578 + w.ui.MainMenu->sizeHint().height()));
    }

    void pages() {
        Window w;
        QTabWidget* tabs = w.ui.pageControl;
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Base"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Hardware"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Debug"));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->widget(0), w.ui.basePage);
        QCOMPARE(tabs->widget(1), w.ui.sTabSheet2);
        QCOMPARE(tabs->widget(2), w.ui.sTabSheet3);
        QCOMPARE(w.ui.sTabSheet2, static_cast<QWidget*>(w.ui.hardwarePage));
        QCOMPARE(w.ui.sTabSheet3, static_cast<QWidget*>(w.ui.debugPage));
    }

    void menu_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::addColumn<bool>("checkable");
        QTest::newRow("E1") << "F2"
                            << "E&xit" << QKeySequence(Qt::ALT | Qt::Key_X) << false;
        QTest::newRow("D1") << "T1"
                            << "Dark" << QKeySequence() << true;
        QTest::newRow("L1") << "T1"
                            << "Light" << QKeySequence() << true;
        QTest::newRow("mniN2") << "S1"
                               << "" << QKeySequence() << false;
        QTest::newRow("P1") << "S1"
                            << "&Preferences" << QKeySequence(Qt::Key_F2) << false;
        QTest::newRow("H2") << "H1"
                            << "Hel&p" << QKeySequence(Qt::Key_F1) << false;
        QTest::newRow("N1") << "H1"
                            << "&About" << QKeySequence() << false;
    }
    void menu() {
        QFETCH(QString, menu);
        QFETCH(QString, text);
        QFETCH(QKeySequence, shortcut);
        QFETCH(bool, checkable);
        Window w;
        auto* owner = w.window.findChild<QMenu*>(menu);
        QVERIFY(owner);
        QAction* item = nullptr;
        for (QAction* action : owner->actions()) {
            if (action->objectName() == QLatin1String(QTest::currentDataTag()))
                item = action;
        }
        QVERIFY(item);
        QCOMPARE(item->text(), text);
        QCOMPARE(item->shortcut(), shortcut);
        QCOMPARE(item->isCheckable(), checkable);
        QCOMPARE(item->isSeparator(), text.isEmpty());
    }

    void menuBarOrder() {
        Window w;
        QStringList titles;
        for (QAction* action : w.ui.MainMenu->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"&File", "&Setup", "&Help"}));
        QCOMPARE(w.ui.T1->title(), QStringLiteral("Themes"));
        QCOMPARE(w.ui.S1->actions().first(), w.ui.T1->menuAction());
    }

    void themeItemsAreCheckedOnlyByTheirHandlers() {
        Window w;
        QVERIFY(!w.ui.D1->isChecked() && !w.ui.L1->isChecked());
        w.ui.D1->trigger();
        QVERIFY(!w.ui.D1->isChecked());
        // What a handler does: the check mark then stays, and another trigger leaves it to it.
        w.ui.L1->setChecked(true);
        w.ui.L1->trigger();
        QVERIFY(w.ui.L1->isChecked());
    }

    void shortcutsReachTheWindow() {
        Window w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        int helps = 0;
        QObject::connect(w.ui.H2, &QAction::triggered, [&] { ++helps; });
        QTest::keyClick(w.ui.debugPage->sysLog, Qt::Key_F1);
        QCOMPARE(helps, 1);
    }

    void fitsTheMinimumSize_data() {
        QTest::addColumn<QString>("skin");  // empty: the start-up look
        QTest::newRow("start-up look") << "";
        QTest::newRow("Dark") << "Dark";
        QTest::newRow("Light") << "Light";
    }
    void fitsTheMinimumSize() {
        QFETCH(QString, skin);
        SkinManager skins;
        skin.isEmpty() ? skins.applyStartupLook() : skins.setSkin(skin);
        Window w;
        QVERIFY(w.window.minimumSizeHint().width() <= 800);
        QVERIFY(w.window.minimumSizeHint().height() <= 550);
        w.window.resize(800, 550);
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        for (int page = 0; page < 3; ++page) {
            w.ui.pageControl->setCurrentIndex(page);
            QCoreApplication::processEvents();
            QCOMPARE(w.window.size(), QSize(800, 550));
        }
        QTRY_VERIFY(fixedWidthsHold(w.ui));  // still 150 and 300, cut off where narrower
    }

    void fixedWidthsAfterAResize() {
        Window w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QTRY_VERIFY(fixedWidthsHold(w.ui));
        disturbFixedWidths(w.ui);
        QVERIFY(!fixedWidthsHold(w.ui));
        w.window.resize(900, 600);
        QTRY_VERIFY(fixedWidthsHold(w.ui));
    }

    void fixedWidthsAfterAScreenChange() {
        // Offscreen there is one screen with a fixed density; the event that a change of screen
        // or density delivers to the window is sent by hand.
        Window w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QTRY_VERIFY(fixedWidthsHold(w.ui));
        const int runs = w.ui.scalingWatcher->runs();
        disturbFixedWidths(w.ui);
        QEvent screenChange(QEvent::ScreenChangeInternal);
        QCoreApplication::sendEvent(&w.window, &screenChange);
        QTRY_VERIFY(fixedWidthsHold(w.ui));
        QCOMPARE(w.ui.scalingWatcher->runs(), runs + 1);

        disturbFixedWidths(w.ui);
        w.ui.scalingWatcher->trigger();  // as a density change of the screen does
        QTRY_VERIFY(fixedWidthsHold(w.ui));
    }
};

QTEST_MAIN(TestUiMainWindow)
#include "tst_ui_mainwindow.moc"
