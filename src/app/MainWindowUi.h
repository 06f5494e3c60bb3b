#pragma once

// Like a designer-generated Ui header, this one brings the declarations of every control that it
// exposes.
#include <QAction>
#include <QMainWindow>
#include <QString>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

#include "BasePage.h"
#include "DebugPage.h"
#include "HardwarePage.h"
#include "StatusPanels.h"

namespace karvo {

inline const QString kApplicationTitle = QStringLiteral("Karvo Wheel Configuration");

class EventWatcher;

// The window's layout, in the manner of a designer-generated Ui class: setupUi builds the pages,
// the status bar and the menu on a QMainWindow and sets the window's caption, font and sizes. It
// connects no logic; the controller does that.
class MainWindowUi {
public:
    static constexpr int kDesignClientWidth = 1081;
    static constexpr int kDesignClientHeight = 578;
    static constexpr int kMinimumWidth = 800;
    static constexpr int kMinimumHeight = 550;

    void setupUi(QMainWindow* window);

    // The widths that stay fixed whatever the layout and the screen do: the 32 statistics labels
    // (150 px) and the three encoder check boxes (300 px). Runs after every resize and every
    // change of screen or pixel density.
    void applyFixedWidths();

    QTabWidget* pageControl = nullptr;
    BasePage* basePage = nullptr;
    HardwarePage* hardwarePage = nullptr;
    DebugPage* debugPage = nullptr;
    QWidget* sTabSheet1 = nullptr;  // the "Base" page
    QWidget* sTabSheet2 = nullptr;  // the "Hardware" page
    QWidget* sTabSheet3 = nullptr;  // the "Debug" page
    StatusPanels* statusBar = nullptr;

    QMenuBar* MainMenu = nullptr;
    QMenu* F2 = nullptr;  // "&File"
    QAction* E1 = nullptr;
    QMenu* S1 = nullptr;  // "&Setup"
    QMenu* T1 = nullptr;  // "Themes"
    QAction* D1 = nullptr;
    QAction* L1 = nullptr;
    QAction* mniN2 = nullptr;
    QAction* P1 = nullptr;
    QMenu* H1 = nullptr;  // "&Help"
    QAction* H2 = nullptr;
    QAction* N1 = nullptr;

    // Runs applyFixedWidths after the window's resizes and screen changes.
    EventWatcher* scalingWatcher = nullptr;

private:
    void setupMenu(QMainWindow* window);
};

}  // namespace karvo
