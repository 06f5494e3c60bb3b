#include "ScreenshotTour.h"

#include "KarvoError.h"
#include "TMainForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QTabWidget>
#include <QTimer>

namespace karvo {

namespace {

struct Shot {
    int theme;  // 0 dark, 1 light
    int page;
    const char* name;
};
constexpr Shot kShots[] = {
    {0, 0, "base-dark"}, {0, 1, "hardware-dark"}, {0, 2, "debug-dark"},
    {1, 0, "base-light"}, {1, 1, "hardware-light"}, {1, 2, "debug-light"},
};
constexpr int kSettleMs = 700;

void takeShot(TMainForm* window, QString directory, int index) {
    if (index >= static_cast<int>(std::size(kShots))) {
        QCoreApplication::exit(0);
        return;
    }
    const Shot& shot = kShots[index];
    // The tour changes the look without storing a theme in the settings.
    try {
        window->applyTheme(shot.theme, false);
    } catch (const KarvoError&) {
        // Without the pictures the panel keeps its built-in one.
    }
    window->ui.pageControl->setCurrentIndex(shot.page);
    QTimer::singleShot(kSettleMs, window, [window, directory, index] {
        window->grab().save(QDir(directory).filePath(QString::fromLatin1(kShots[index].name) +
                                                     QStringLiteral(".png")));
        takeShot(window, directory, index + 1);
    });
}

}  // namespace

void startScreenshotTour(TMainForm& window, const QString& directory) {
    QDir().mkpath(directory);
    // Let the simulated wheel base connect and stream for a moment first.
    QTimer::singleShot(1500, &window, [&window, directory] { takeShot(&window, directory, 0); });
}

}  // namespace karvo
