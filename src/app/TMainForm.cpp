#include "TMainForm.h"

#include "BasePage.h"
#include "DebugPage.h"
#include "HardwarePage.h"
#include "HidController.h"
#include "KarvoError.h"
#include "RepaintLimiter.h"
#include "SkinManager.h"
#include "TamselConfig.h"
#include "ThreadTimer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>

namespace karvo {

namespace {

TMainForm::MessageBoxHook& messageBoxHook() {
    static TMainForm::MessageBoxHook hook;
    return hook;
}

const QString kThemesSection = QStringLiteral("Themes");
const QString kThemeKey = QStringLiteral("Active");
const QString kDebugSection = QStringLiteral("Debug");
const QString kLogToFileKey = QStringLiteral("LogToFile");

struct Theme {
    const char* skin;
    const char* picture;
};
constexpr Theme kThemes[] = {{"Dark", "themes/bg_dark.png"}, {"Light", "themes/bg_light.png"}};

}  // namespace

void TMainForm::setMessageBoxHook(MessageBoxHook hook) { messageBoxHook() = std::move(hook); }

TMainForm::TMainForm(Options options, QWidget* parent) : QMainWindow(parent) {
    ui.setupUi(this);
    // Streamed statistics change labels hundreds of times a second: paint at most once a frame.
    new RepaintLimiter(this);

    HIDCtl = new HidController(std::move(options.backend), this);
    DevMon = new ThreadTimer(this);
    IncAngle = new ThreadTimer(this);
    DecAngle = new ThreadTimer(this);
    DevMon->setInterval(1000);
    IncAngle->setInterval(100);
    DecAngle->setInterval(100);
    if (options.manualTimers) {
        DevMon->setManualClock(true);
        IncAngle->setManualClock(true);
        DecAngle->setManualClock(true);
    }
    TamselConfig1 = std::make_unique<TamselConfig>(options.settingsPath);
    skinManager = std::make_unique<SkinManager>();
    log = std::make_unique<SystemLog>(*this);
    link = std::make_unique<DeviceLink>(*HIDCtl, *this);
    channel = std::make_unique<CommandChannel>(*link, *log, [this] { return selectedProfileIndex(); });
    reports = std::make_unique<ReportHandler>(*channel, *this, *log);
    profiles = std::make_unique<Profiles>(*channel, *TamselConfig1, *log, *this);
    power = std::make_unique<PowerEvents>(*link, *DevMon, *this);

    connectHandlers();

    // As at the creation of the window's resource: the controller posts its first device-change
    // notification and the watchdog starts counting.
    HIDCtl->postInitialDeviceChange();
    DevMon->setEnabled(true);

    FormCreate();
}

TMainForm::~TMainForm() {
    // Teardown: readers and timers stop before anything they could reach is released; a report
    // handed over from now on is dropped.
    reports->Closing = true;
    HIDCtl->stopAllReaders();
    DevMon->setEnabled(false);
    IncAngle->setEnabled(false);
    DecAngle->setEnabled(false);
    if (link->CurrentDevice) HIDCtl->checkIn(link->CurrentDevice);
}

void TMainForm::connectHandlers() {
    HIDCtl->setInputReportHandler([this](HidDevice* device, quint8 id, const quint8* data, quint16 size) {
        reports->HIDCtlDeviceData(device, id, data, size);
    });
    connect(HIDCtl, &HidController::deviceChange, this, [this] { link->HIDCtlDeviceChange(); });
    connect(DevMon, &ThreadTimer::timeout, this, [this] { guarded([this] { link->DevMonTimer(); }); });
    connect(IncAngle, &ThreadTimer::timeout, this, [this] { guarded([this] { IncAngleTimer(); }); });
    connect(DecAngle, &ThreadTimer::timeout, this, [this] { guarded([this] { DecAngleTimer(); }); });
    channel->setAcknowledgedHandler([this](quint8 requestId) { profiles->trackerStep(requestId); });

    connect(ui.E1, &QAction::triggered, this, [this] { guarded([this] { E1Click(); }); });
    connect(ui.N1, &QAction::triggered, this, [this] { guarded([this] { N1Click(); }); });
    connect(ui.P1, &QAction::triggered, this, [this] { guarded([this] { P1Click(); }); });
    connect(ui.H2, &QAction::triggered, this, [this] { guarded([this] { H2Click(); }); });
    connect(ui.D1, &QAction::triggered, this, [this] { guarded([this] { D1Click(); }); });
    connect(ui.L1, &QAction::triggered, this, [this] { guarded([this] { L1Click(); }); });

    connect(ui.pageControl, &QTabWidget::currentChanged, this, [this](int) {
        QWidget* page = ui.pageControl->currentWidget();
        if (page == ui.sTabSheet2) guarded([this] { sTabSheet2Show(); });
        if (page == ui.sTabSheet3) guarded([this] { sTabSheet3Show(); });
    });

    BasePage* base = ui.basePage;
    connect(base->btnApply, &QPushButton::clicked, this, [this] { guarded([this] { btnApplyClick(); }); });
    connect(base->btnCalibrate, &QPushButton::clicked, this,
            [this] { guarded([this] { channel->btnCalibrateClick(); }); });
    connect(base->btnCenterize, &QPushButton::clicked, this,
            [this] { guarded([this] { channel->btnCenterizeClick(); }); });
    connect(base->btnIncWheel, &QPushButton::clicked, this, [this] { guarded([this] { btnIncWheelClick(); }); });
    connect(base->btnDecWheel, &QPushButton::clicked, this, [this] { guarded([this] { btnDecWheelClick(); }); });
    base->btnIncWheel->installEventFilter(this);
    base->btnDecWheel->installEventFilter(this);
    connect(base->btnLoadProfile, &QPushButton::clicked, this,
            [this] { guarded([this] { profiles->btnLoadProfileClick(); }); });
    connect(base->btnSaveProfile, &QPushButton::clicked, this,
            [this] { guarded([this] { profiles->btnSaveProfileClick(); }); });

    HardwarePage* hardware = ui.hardwarePage;
    connect(hardware->btnHardwareApply, &QPushButton::clicked, this,
            [this] { guarded([this] { btnHardwareApplyClick(); }); });
    connect(hardware->btnHardwareSave, &QPushButton::clicked, this,
            [this] { guarded([this] { profiles->btnHardwareSaveClick(); }); });

    connect(ui.debugPage->enableLogTofile, &CheckGroupBox::clicked, this,
            [this](bool) { guarded([this] { enableLogTofileClick(); }); });
}

// ---- life cycle ------------------------------------------------------------------------------

void TMainForm::FormCreate() {
    ui.basePage->InfoText->start();
    setWindowTitle(kApplicationTitle);
    QGuiApplication::setApplicationDisplayName(kApplicationTitle);
    link->Startup = true;
    // Setting the box from code writes nothing back; only a click does.
    ui.debugPage->enableLogTofile->setChecked(
        TamselConfig1->ReadBool(kDebugSection, kLogToFileKey, false));
}

void TMainForm::FormShow() { restoreTheme(); }

void TMainForm::FormResize() {
    ui.statusBar->setPanelWidth(0, std::max(0, ui.statusBar->width() - 365));
}

void TMainForm::FormClose() {
    reports->Closing = true;
    profiles->StoreActiveProfile();
}

void TMainForm::E1Click() { terminateApplication(); }

void TMainForm::terminateApplication() {
    // Ends the event loop without the close handler: the active profile is not stored.
    terminating_ = true;
    QCoreApplication::exit(0);
}

void TMainForm::N1Click() {
    showMessage(QMessageBox::Information,
                kApplicationTitle + QStringLiteral("\nCopyright \u00A9 2020 Karvo"));
}

void TMainForm::P1Click() { showMessage(QMessageBox::Information, QStringLiteral("Not implemented")); }

void TMainForm::H2Click() { showMessage(QMessageBox::Information, QStringLiteral("Not implemented")); }

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    guarded([this] { FormShow(); });
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!terminating_) guarded([this] { FormClose(); });
    event->accept();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        QSystemTrayIcon::isSystemTrayAvailable()) {
        // Minimizing hides the window to the tray; a click on the icon brings it back. Link,
        // watchdog and power handling go on meanwhile.
        QTimer::singleShot(0, this, [this] { hideToTray(); });
    }
}

void TMainForm::hideToTray() {
    if (!tray_) {
        tray_ = new QSystemTrayIcon(windowIcon().isNull() ? QIcon::fromTheme(QStringLiteral("input-gaming"))
                                                          : windowIcon(),
                                    this);
        tray_->setToolTip(kApplicationTitle);
        connect(tray_, &QSystemTrayIcon::activated, this, [this] {
            tray_->hide();
            showNormal();
            raise();
            activateWindow();
        });
    }
    hide();
    tray_->show();
}

// ---- themes ----------------------------------------------------------------------------------

void TMainForm::D1Click() { applyTheme(0, true); }

void TMainForm::L1Click() { applyTheme(1, true); }

void TMainForm::applyTheme(int theme, bool storeSetting) {
    const Theme& chosen = kThemes[theme];
    skinManager->setSkin(QString::fromLatin1(chosen.skin));
    ui.D1->setChecked(theme == 0);
    ui.L1->setChecked(theme == 1);
    if (storeSetting) TamselConfig1->WriteInteger(kThemesSection, kThemeKey, theme);
    ui.basePage->InfoText->setBackgroundPicture(loadThemePicture(QString::fromLatin1(chosen.picture)));
}

void TMainForm::restoreTheme() {
    const int theme = TamselConfig1->ReadInteger(kThemesSection, kThemeKey, 0);
    if (theme != 0 && theme != 1) {
        // Another value is left as it is: the window keeps its start-up look.
        skinManager->applyStartupLook();
        return;
    }
    applyTheme(theme, false);
}

// ---- pages -----------------------------------------------------------------------------------

void TMainForm::sTabSheet2Show() {
    channel->RequestJoystickConfig();
    channel->RequestMotorConfig();
}

void TMainForm::sTabSheet3Show() {
    QWidget* focused = focusWidget();
    FileNameEdit* selector = ui.debugPage->LogfileSelector;
    if (focused && (focused == selector || selector->isAncestorOf(focused))) {
        focused->clearFocus();
        setFocus();
    }
}

// ---- editors ---------------------------------------------------------------------------------

void TMainForm::btnApplyClick() { pressApply(); }

void TMainForm::pressApply() {
    channel->SendWheelBaseConfig([this] { return ui.basePage->wheelBaseConfig(QLocale()); });
    channel->SendUserEffectConfig([this] { return ui.basePage->userEffectConfig(); });
}

void TMainForm::btnHardwareApplyClick() {
    channel->SendJoystickConfig([this] { return ui.hardwarePage->joystickConfig(); });
    channel->SendMotorConfig([this] { return ui.hardwarePage->motorConfig(); });
}

void TMainForm::nudge(int delta) {
    const int position = ui.basePage->nudgeMaxAngle(delta);
    ui.statusBar->setPanelText(2, QString::number(position));
}

void TMainForm::btnIncWheelClick() { nudge(+1); }
void TMainForm::btnDecWheelClick() { nudge(-1); }
void TMainForm::IncAngleTimer() { nudge(+1); }
void TMainForm::DecAngleTimer() { nudge(-1); }
void TMainForm::btnIncWheelMouseDown() { IncAngle->setEnabled(true); }
void TMainForm::btnIncWheelMouseUp() { IncAngle->setEnabled(false); }
void TMainForm::btnDecWheelMouseDown() { DecAngle->setEnabled(true); }
void TMainForm::btnDecWheelMouseUp() { DecAngle->setEnabled(false); }

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Any mouse button starts and stops the auto-repeat; only the left one also clicks. The
    // second press of a double click comes as a double-click event and is a press too.
    const bool press = event->type() == QEvent::MouseButtonPress ||
                       event->type() == QEvent::MouseButtonDblClick;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (press || release) {
        if (watched == ui.basePage->btnIncWheel)
            press ? btnIncWheelMouseDown() : btnIncWheelMouseUp();
        else if (watched == ui.basePage->btnDecWheel)
            press ? btnDecWheelMouseDown() : btnDecWheelMouseUp();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::enableLogTofileClick() {
    TamselConfig1->WriteBool(kDebugSection, kLogToFileKey, ui.debugPage->enableLogTofile->isChecked());
}

// ---- status line and log ---------------------------------------------------------------------

void TMainForm::SetAppStatus(const QString& msg) { log->SetAppStatus(msg); }
void TMainForm::SetSysLog(const QString& msg) { log->SetSysLog(msg); }
void TMainForm::setStatusText(const QString& text) { ui.statusBar->setPanelText(0, text); }
void TMainForm::appendLogLine(const QString& line) { ui.debugPage->sysLog->appendPlainText(line); }

// ---- device link -----------------------------------------------------------------------------

QString TMainForm::linkText() const { return ui.statusBar->panelText(4); }
void TMainForm::setLinkText(const QString& text) { ui.statusBar->setPanelText(4, text); }

void TMainForm::deviceConnected(bool firstConnection) {
    channel->RequestFirmware();
    if (firstConnection) profiles->startupLoad();
}

// ---- display of received records -------------------------------------------------------------

void TMainForm::showAxes(const TAxesReport& axes) { ui.debugPage->showAxes(axes); }
void TMainForm::showFirmwareVersion(const QString& text) { ui.statusBar->setPanelText(5, text); }
void TMainForm::showJoystickConfig(const TJoystickConfig& record) { ui.hardwarePage->showJoystickConfig(record); }
void TMainForm::showMotorConfig(const TMotorConfig& record) { ui.hardwarePage->showMotorConfig(record); }
void TMainForm::showWheelBaseConfig(const TWheelBaseConfig& record) {
    ui.basePage->showWheelBaseConfig(record, QLocale());
}
void TMainForm::showUserEffectConfig(const TUserEffectConfig& record) {
    ui.basePage->showUserEffectConfig(record);
}
void TMainForm::showEncoderStats(const TEncoderStats& record) { ui.debugPage->showEncoderStats(record); }
void TMainForm::showPwmStats(const TPwmStats& record) {
    ui.debugPage->showPwmStats(record, ui.hardwarePage->pwmMode, ui.hardwarePage->pwmFreq);
}
void TMainForm::showCalculatedParams(const TCalculatedParams& record) {
    ui.debugPage->showCalculatedParams(record, QLocale());
}
void TMainForm::showFfbReport(const TFFBReport& record) { ui.debugPage->showFfbReport(record, QLocale()); }
bool TMainForm::logToFileChecked() const { return ui.debugPage->enableLogTofile->isChecked(); }
QString TMainForm::logFileName() const { return ui.debugPage->LogfileSelector->text(); }

// ---- profiles --------------------------------------------------------------------------------

int TMainForm::selectedProfileIndex() const { return ui.basePage->cProfiles->currentIndex(); }

void TMainForm::setSelectedProfileIndex(int index) {
    QComboBox* list = ui.basePage->cProfiles;
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void TMainForm::pressLoad() { profiles->btnLoadProfileClick(); }

// ---- errors and message boxes ----------------------------------------------------------------

void TMainForm::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        showErrorReport(errorText(error));
    }
}

void TMainForm::showErrorReport(const QString& text) {
    QString shown = text;
    // A full stop is added when the text ends in a character above the full stop.
    if (!shown.isEmpty() && shown.back().unicode() > u'.') shown += u'.';
    showMessage(QMessageBox::Critical, shown);
}

void TMainForm::showMessage(QMessageBox::Icon icon, const QString& text) {
    if (messageBoxHook()) {
        messageBoxHook()(icon, text);
        return;
    }
    QMessageBox box(icon, kApplicationTitle, text, QMessageBox::Ok, this);
    box.exec();
}

}  // namespace karvo
