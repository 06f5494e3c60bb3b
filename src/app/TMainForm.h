#pragma once

#include "CommandChannel.h"
#include "DeviceLink.h"
#include "LinkHost.h"
#include "MainWindowUi.h"
#include "PowerEvents.h"
#include "ProfileHost.h"
#include "Profiles.h"
#include "RecordDisplay.h"
#include "ReportHandler.h"
#include "SystemLog.h"

#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <memory>

class QSystemTrayIcon;

namespace karvo {

class HidBackend;
class HidController;
class SkinManager;
class TamselConfig;
class ThreadTimer;

// The main window and the program's controller: it owns the link to the wheel base, the pending
// requests, the profile tracker and every handler, all running on the GUI thread. The logic
// lives in the libraries below it (device link, command channel, report handler, profiles,
// power events); this class wires them to the controls.
class TMainForm : public QMainWindow,
                  public LogView,
                  public LinkHost,
                  public RecordDisplay,
                  public ProfileHost,
                  public PowerHost {
    Q_OBJECT
public:
    struct Options {
        std::unique_ptr<HidBackend> backend;
        QString settingsPath;       // the settings file
        bool manualTimers = false;  // tests drive the thread timers by hand
    };

    // A test hook: message boxes go here instead of being shown.
    using MessageBoxHook = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    static void setMessageBoxHook(MessageBoxHook hook);

    explicit TMainForm(Options options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Life cycle and menu.
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();
    void E1Click();
    void N1Click();
    void P1Click();
    void H2Click();
    void D1Click();
    void L1Click();

    // Pages and scaling.
    void sTabSheet2Show();
    void sTabSheet3Show();

    // Editors.
    void btnApplyClick();
    void btnHardwareApplyClick();
    void btnIncWheelClick();
    void btnDecWheelClick();
    void btnIncWheelMouseDown();
    void btnIncWheelMouseUp();
    void btnDecWheelMouseDown();
    void btnDecWheelMouseUp();
    void IncAngleTimer();
    void DecAngleTimer();
    void enableLogTofileClick();

    // Status line and system log.
    void SetAppStatus(const QString& msg);
    void SetSysLog(const QString& msg) override;

    // The default error report: a modal box captioned with the application title.
    void showErrorReport(const QString& text);
    // Runs a handler of the user's input, a menu command or a timer tick; an error that leaves
    // it is shown by the default error report and the program goes on.
    void guarded(const std::function<void()>& handler);

    // Components and state, public for the tests.
    MainWindowUi ui;
    HidController* HIDCtl = nullptr;
    ThreadTimer* DevMon = nullptr;
    ThreadTimer* IncAngle = nullptr;
    ThreadTimer* DecAngle = nullptr;
    std::unique_ptr<TamselConfig> TamselConfig1;
    std::unique_ptr<SkinManager> skinManager;
    std::unique_ptr<SystemLog> log;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<CommandChannel> channel;
    std::unique_ptr<ReportHandler> reports;
    std::unique_ptr<Profiles> profiles;
    std::unique_ptr<PowerEvents> power;
    bool isTerminating() const { return terminating_; }

    // LogView
    void setStatusText(const QString& text) override;
    void appendLogLine(const QString& line) override;
    // LinkHost
    QString linkText() const override;
    void setLinkText(const QString& text) override;
    void deviceConnected(bool firstConnection) override;
    // RecordDisplay
    void showAxes(const TAxesReport& axes) override;
    void showFirmwareVersion(const QString& text) override;
    void showJoystickConfig(const TJoystickConfig& record) override;
    void showMotorConfig(const TMotorConfig& record) override;
    void showWheelBaseConfig(const TWheelBaseConfig& record) override;
    void showUserEffectConfig(const TUserEffectConfig& record) override;
    void showEncoderStats(const TEncoderStats& record) override;
    void showPwmStats(const TPwmStats& record) override;
    void showCalculatedParams(const TCalculatedParams& record) override;
    void showFfbReport(const TFFBReport& record) override;
    bool logToFileChecked() const override;
    QString logFileName() const override;
    // ProfileHost
    int selectedProfileIndex() const override;
    void setSelectedProfileIndex(int index) override;
    void pressApply() override;
    void pressLoad() override;
    // PowerHost
    void terminateApplication() override;

    // Shows theme 0 ("Dark") or 1 ("Light"): skin, menu check marks and the info panel's
    // picture; stores the choice in the settings when asked to. Throws KarvoError when the
    // picture cannot be read (the skin is applied by then).
    void applyTheme(int theme, bool storeSetting);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectHandlers();
    void restoreTheme();
    void nudge(int delta);
    void showMessage(QMessageBox::Icon icon, const QString& text);
    void hideToTray();

    bool shownOnce_ = false;
    bool terminating_ = false;
    QSystemTrayIcon* tray_ = nullptr;
};

}  // namespace karvo
