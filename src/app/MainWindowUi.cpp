#include "MainWindowUi.h"

#include <QAction>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>

#include "BasePage.h"
#include "DebugPage.h"
#include "EventWatcher.h"
#include "HardwarePage.h"
#include "StatusPanels.h"

namespace karvo {

namespace {

QAction* action(const QString& text, const char* name, QObject* parent) {
    auto* result = new QAction(text, parent);
    result->setObjectName(QString::fromLatin1(name));
    return result;
}

QMenu* menu(const QString& title, const char* name, QWidget* parent) {
    auto* result = new QMenu(title, parent);
    result->setObjectName(QString::fromLatin1(name));
    return result;
}

}  // namespace

void MainWindowUi::setupUi(QMainWindow* window) {
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("MainForm"));
    window->setWindowTitle(kApplicationTitle);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    window->setFont(font);
    window->setMinimumSize(kMinimumWidth, kMinimumHeight);

    pageControl = new QTabWidget(window);
    pageControl->setObjectName(QStringLiteral("pageControl"));
    pageControl->setDocumentMode(false);
    basePage = new BasePage(pageControl);
    hardwarePage = new HardwarePage(pageControl);
    debugPage = new DebugPage(pageControl);
    sTabSheet1 = basePage;
    sTabSheet2 = hardwarePage;
    sTabSheet3 = debugPage;
    pageControl->addTab(basePage, QStringLiteral("Base"));
    pageControl->addTab(hardwarePage, QStringLiteral("Hardware"));
    pageControl->addTab(debugPage, QStringLiteral("Debug"));
    pageControl->setCurrentIndex(0);
    window->setCentralWidget(pageControl);

    statusBar = new StatusPanels(window);
    window->setStatusBar(statusBar);

    setupMenu(window);

    // The design's client area (pages and status bar) is 1081 x 578; the menu bar comes on top.
    window->resize(kDesignClientWidth, kDesignClientHeight + MainMenu->sizeHint().height());
    if (QScreen* screen = window->screen()) {
        QRect frame(QPoint(0, 0), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }

    scalingWatcher =
        new EventWatcher(window, {QEvent::Resize, QEvent::ScreenChangeInternal, QEvent::Show},
                         [this] { applyFixedWidths(); });
    // A change of pixel density on any screen, including screens plugged in later.
    EventWatcher* watcher = scalingWatcher;
    const auto followScreen = [watcher](QScreen* screen) {
        QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, watcher,
                         &EventWatcher::trigger);
        QObject::connect(screen, &QScreen::physicalDotsPerInchChanged, watcher,
                         &EventWatcher::trigger);
    };
    for (QScreen* screen : QGuiApplication::screens())
        followScreen(screen);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, watcher, followScreen);
    applyFixedWidths();
}

void MainWindowUi::setupMenu(QMainWindow* window) {
    MainMenu = new QMenuBar(window);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));

    F2 = menu(QStringLiteral("&File"), "F2", MainMenu);
    E1 = action(QStringLiteral("E&xit"), "E1", window);
    E1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    F2->addAction(E1);

    S1 = menu(QStringLiteral("&Setup"), "S1", MainMenu);
    T1 = menu(QStringLiteral("Themes"), "T1", S1);
    D1 = action(QStringLiteral("Dark"), "D1", window);
    L1 = action(QStringLiteral("Light"), "L1", window);
    // Plain items whose check marks the theme handlers set; they do not toggle themselves.
    for (QAction* theme : {D1, L1}) {
        theme->setCheckable(true);
        QObject::connect(theme, &QAction::triggered, theme,
                         [theme](bool checked) { theme->setChecked(!checked); });
        T1->addAction(theme);
    }
    S1->addMenu(T1);
    mniN2 = S1->addSeparator();
    mniN2->setObjectName(QStringLiteral("mniN2"));
    P1 = action(QStringLiteral("&Preferences"), "P1", window);
    P1->setShortcut(QKeySequence(Qt::Key_F2));
    S1->addAction(P1);

    H1 = menu(QStringLiteral("&Help"), "H1", MainMenu);
    H2 = action(QStringLiteral("Hel&p"), "H2", window);
    H2->setShortcut(QKeySequence(Qt::Key_F1));
    N1 = action(QStringLiteral("&About"), "N1", window);
    H1->addAction(H2);
    H1->addAction(N1);

    MainMenu->addMenu(F2);
    MainMenu->addMenu(S1);
    MainMenu->addMenu(H1);
    window->setMenuBar(MainMenu);
    // The shortcuts work wherever the focus is in the window, with no menu open.
    window->addActions({E1, P1, H2});
    // Menus are windows of their own and do not inherit the window's font.
    for (QMenu* popup : {F2, S1, T1, H1})
        popup->setFont(window->font());
}

void MainWindowUi::applyFixedWidths() {
    debugPage->applyFixedWidths();
    hardwarePage->applyFixedWidths();
}

}  // namespace karvo
