#pragma once

// The real main window on the simulated wheel base, headless, in a private working directory
// (application.log and the debug log land there), with its settings file in that directory,
// thread timers driven by hand and message boxes captured instead of shown.

#include "BasePage.h"
#include "DebugPage.h"
#include "HardwarePage.h"
#include "HidController.h"
#include "KarvoError.h"
#include "SkinManager.h"
#include "SimulatedHidBackend.h"
#include "TMainForm.h"
#include "ThreadTimer.h"
#include "WheelBaseFirmware.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace karvo::test {

class AppFixture {
public:
    struct Setup {
        bool plugWheelBase = true;
        bool notifications = true;
        QByteArray settings;  // initial settings file contents, if any
    };

    explicit AppFixture(Setup setup) {
        oldCwd_ = QDir::currentPath();
        QDir::setCurrent(dir.path());
        settingsPath = dir.filePath(QStringLiteral("KarvoWheelConfig.ini"));
        if (!setup.settings.isNull()) {
            QFile file(settingsPath);
            if (file.open(QIODevice::WriteOnly)) file.write(setup.settings);
        }
        auto backend = std::make_unique<SimulatedHidBackend>();
        sim = backend.get();
        // A base plugged in before start is found by the first pass, not announced as a change.
        sim->setNotifications(false);
        if (setup.plugWheelBase) {
            firmware = std::make_shared<WheelBaseFirmware>();
            firmware->setStreamRate(WheelBaseFirmware::StreamRate::Off);
            wheelPath = sim->plugWheelBase(firmware);
        }
        sim->setNotifications(setup.notifications);
        TMainForm::setMessageBoxHook([this](QMessageBox::Icon, const QString& text) { boxes << text; });
        TMainForm::Options options;
        options.backend = std::move(backend);
        options.settingsPath = settingsPath;
        options.manualTimers = true;
        window = std::make_unique<TMainForm>(std::move(options));
    }
    AppFixture() : AppFixture(Setup{}) {}

    ~AppFixture() {
        window.reset();
        TMainForm::setMessageBoxHook({});
        QDir::setCurrent(oldCwd_);
    }

    TMainForm& w() { return *window; }
    // Brings the window with its "Debug" page on screen: the statistics labels follow the
    // records only while the page is shown, and take the latest ones when it comes up.
    DebugPage& debugOnScreen() {
        // The first show applies the theme, whose pictures come from the source tree.
        const QString themes = dir.filePath(QStringLiteral("themes"));
        if (!QFileInfo::exists(themes))
            QFile::link(QStringLiteral(KARVO_SOURCE_DIR "/themes"), themes);
        window->ui.pageControl->setCurrentWidget(window->ui.debugPage);
        window->show();
        return *window->ui.debugPage;
    }
    QString panel(int index) const { return window->ui.statusBar->panelText(index); }
    QStringList logLines() const {
        return window->ui.debugPage->sysLog->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    }
    QByteArray settingsFile() const {
        QFile file(settingsPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QByteArray fileInCwd(const QString& name) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Waits for the first pass and for the start-up profile load to finish.
    bool waitConnectedAndSettled() {
        if (!QTest::qWaitFor([this] { return panel(4) == QLatin1String("Connected"); }, 5000))
            return false;
        return QTest::qWaitFor(
            [this] {
                return window->profiles->ProfileLoading.value(QStringLiteral("Loading")) ==
                           QLatin1String("0") &&
                       window->channel->RequestQ.value(QStringLiteral("224")) == QLatin1String("0");
            },
            5000);
    }

    QTemporaryDir dir;
    QString settingsPath;
    SimulatedHidBackend* sim = nullptr;
    std::shared_ptr<WheelBaseFirmware> firmware;
    QString wheelPath;
    std::unique_ptr<TMainForm> window;
    QStringList boxes;

private:
    QString oldCwd_;
};

// Hex text of bytes ("14 09 06 ...") for readable comparisons.
inline QString hex(const QByteArray& bytes, int count = -1) {
    const QByteArray part = count < 0 ? bytes : bytes.left(count);
    return QString::fromLatin1(part.toHex(' ')).toUpper();
}

}  // namespace karvo::test
