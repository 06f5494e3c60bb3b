#include "DebugPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <utility>

#include "CheckGroupBox.h"
#include "EditorConversions.h"
#include "FileNameEdit.h"
#include "FixedWidthSlot.h"
#include "PageBuilders.h"

namespace karvo {

namespace {

// The room a value label asks for: a number such as "-12345.67", or a list entry of the PWM
// settings such as "PWM +/- (H-Bridge)". The labels themselves are wider (150 px) and are cut off
// where the page is narrower.
constexpr int kNumberWidth = 62;
constexpr int kListTextWidth = 122;

QGridLayout* valueGrid(QWidget* owner) {
    auto* grid = new QGridLayout(owner);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    return grid;
}

QString listText(const QComboBox* list, int index) {
    return index >= 0 && index < list->count() ? list->itemText(index) : QString();
}

}  // namespace

DebugPage::DebugPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sTabSheet3"));
    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);
    page->setSpacing(8);
    page->addWidget(buildStatistics());
    page->addWidget(buildLog(), 1);
    applyFixedWidths();
}

DebugPage::~DebugPage() = default;

QLabel* DebugPage::addValue(QGridLayout* grid, int row, int column, const QString& caption,
                            const char* name, int visibleWidth) {
    QWidget* owner = grid->parentWidget();
    auto* value = named(new QLabel(QStringLiteral("0")), name);
    auto* label = new QLabel(caption, owner);
    label->setObjectName(QString::fromLatin1(name) + QStringLiteral("Caption"));
    grid->addWidget(label, row, column);
    auto* slot = new FixedWidthSlot(value, owner);
    slot->setPreferredWidth(visibleWidth);
    grid->addWidget(slot, row, column + 1);
    grid->setColumnStretch(column + 1, 1);
    statLabels_.append(value);
    return value;
}

QWidget* DebugPage::buildStatistics() {
    GroupStats = named(new QGroupBox(tr("Statistics"), this), "GroupStats");
    auto* stats = new QVBoxLayout(GroupStats);
    stats->setSpacing(8);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);

    sGroupBox4 = named(new QGroupBox(tr("Encoder"), GroupStats), "sGroupBox4");
    QGridLayout* grid = valueGrid(sGroupBox4);
    cPos = addValue(grid, 0, 0, tr("Current Pos"), "cPos", kNumberWidth);
    mPos = addValue(grid, 1, 0, tr("Max Pos"), "mPos", kNumberWidth);
    dSpeed = addValue(grid, 2, 0, tr("Speed"), "dSpeed", kNumberWidth);
    pZ = addValue(grid, 3, 0, tr("Z+"), "pZ", kNumberWidth);
    nZ = addValue(grid, 4, 0, tr("Z-"), "nZ", kNumberWidth);
    dPPR = addValue(grid, 5, 0, tr("PPR"), "dPPR", kNumberWidth);
    dCPR = addValue(grid, 6, 0, tr("CPR"), "dCPR", kNumberWidth);
    grid->setRowStretch(7, 1);
    row->addWidget(sGroupBox4);

    PWMStat = named(new QGroupBox(tr("PWM"), GroupStats), "PWMStat");
    grid = valueGrid(PWMStat);
    dPWMMode = addValue(grid, 0, 0, tr("Mode"), "dPWMMode", kListTextWidth);
    dPWMFreq = addValue(grid, 1, 0, tr("Freq"), "dPWMFreq", kListTextWidth);
    dPWMPeriod = addValue(grid, 2, 0, tr("Period"), "dPWMPeriod", kNumberWidth);
    grid->setRowStretch(3, 1);
    row->addWidget(PWMStat);

    GroupWheel = named(new QGroupBox(tr("Wheel"), GroupStats), "GroupWheel");
    grid = valueGrid(GroupWheel);
    wX = addValue(grid, 0, 0, tr("X"), "wX", kNumberWidth);
    wY = addValue(grid, 1, 0, tr("Y"), "wY", kNumberWidth);
    wZ = addValue(grid, 2, 0, tr("Z"), "wZ", kNumberWidth);
    wRX = addValue(grid, 3, 0, tr("RX"), "wRX", kNumberWidth);
    wRY = addValue(grid, 4, 0, tr("RY"), "wRY", kNumberWidth);
    wRZ = addValue(grid, 5, 0, tr("RZ"), "wRZ", kNumberWidth);
    grid->setRowStretch(6, 1);
    row->addWidget(GroupWheel);

    GroupCalculatedParams =
        named(new QGroupBox(tr("Calculated Parameters"), GroupStats), "GroupCalculatedParams");
    grid = valueGrid(GroupCalculatedParams);
    dTotalForce = addValue(grid, 0, 0, tr("Total Force"), "dTotalForce", kNumberWidth);
    dTotalForceGain = addValue(grid, 1, 0, tr("Total Force Gain"), "dTotalForceGain", kNumberWidth);
    dStopForce = addValue(grid, 2, 0, tr("Stop Force"), "dStopForce", kNumberWidth);
    dUserForce = addValue(grid, 3, 0, tr("User Force"), "dUserForce", kNumberWidth);
    grid->setRowStretch(4, 1);
    row->addWidget(GroupCalculatedParams);
    stats->addLayout(row);

    GroupBiquad = named(new QGroupBox(tr("Biquad"), GroupStats), "GroupBiquad");
    GroupBiquad->setMinimumHeight(44);
    stats->addWidget(GroupBiquad, 1);

    GroupEffectStats = named(new QGroupBox(tr("Effects"), GroupStats), "GroupEffectStats");
    grid = valueGrid(GroupEffectStats);
    grid->setHorizontalSpacing(6);
    dFFBTotalForce = addValue(grid, 0, 0, tr("Total Force"), "dFFBTotalForce", kNumberWidth);
    dFFBConstantForce =
        addValue(grid, 1, 0, tr("Constant Force"), "dFFBConstantForce", kNumberWidth);
    dFFBSpringForce = addValue(grid, 2, 0, tr("Spring Force"), "dFFBSpringForce", kNumberWidth);
    dFFBDamperForce = addValue(grid, 0, 2, tr("Damper Force"), "dFFBDamperForce", kNumberWidth);
    dFFBInertiaForce = addValue(grid, 1, 2, tr("Inertia Force"), "dFFBInertiaForce", kNumberWidth);
    dFFBFrictionForce =
        addValue(grid, 2, 2, tr("Friction Force"), "dFFBFrictionForce", kNumberWidth);
    dFFBSquareForce = addValue(grid, 0, 4, tr("Square Force"), "dFFBSquareForce", kNumberWidth);
    dFFBTriangleForce =
        addValue(grid, 1, 4, tr("Triangle Force"), "dFFBTriangleForce", kNumberWidth);
    dFFBSineForce = addValue(grid, 2, 4, tr("Sine Force"), "dFFBSineForce", kNumberWidth);
    dFFBSawUpForce = addValue(grid, 0, 6, tr("Saw Up Force"), "dFFBSawUpForce", kNumberWidth);
    dFFBSawDownForce = addValue(grid, 1, 6, tr("Saw Down Force"), "dFFBSawDownForce", kNumberWidth);
    dFFBRampForce = addValue(grid, 2, 6, tr("Ramp Force"), "dFFBRampForce", kNumberWidth);
    stats->addWidget(GroupEffectStats);

    enableLogTofile = named(new CheckGroupBox(tr("Log to File"), GroupStats), "enableLogTofile");
    auto* logFile = new QHBoxLayout(enableLogTofile);
    LogfileSelector = named(new FileNameEdit(enableLogTofile), "LogfileSelector");
    LogfileSelector->setText(QStringLiteral("debug.log"));
    logFile->addWidget(LogfileSelector);
    stats->addWidget(enableLogTofile);
    return GroupStats;
}

QWidget* DebugPage::buildLog() {
    GroupLog = named(new QGroupBox(tr("Log"), this), "GroupLog");
    auto* layout = new QVBoxLayout(GroupLog);
    layout->setContentsMargins(4, 4, 4, 4);
    sysLog = named(new QPlainTextEdit(GroupLog), "sysLog");
    sysLog->setFrameShape(QFrame::NoFrame);
    sysLog->setReadOnly(false);
    sysLog->setMaximumBlockCount(0);  // no line limit
    sysLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addWidget(sysLog);
    return GroupLog;
}

void DebugPage::applyFixedWidths() {
    for (QLabel* label : statLabels_)
        label->setFixedWidth(kStatLabelWidth);
}

// ---- display of statistics -------------------------------------------------------------------

void DebugPage::showAxes(const TAxesReport& axes) {
    pendingAxes_ = axes;
    if (isVisible())
        applyPending();
}

void DebugPage::showEncoderStats(const TEncoderStats& record) {
    pendingEncoder_ = record;
    if (isVisible())
        applyPending();
}

void DebugPage::showPwmStats(const TPwmStats& record, const QComboBox* modeList,
                             const QComboBox* freqList) {
    // The list texts are taken now: the lists may be edited before the page is shown.
    pendingPwm_ = PwmTexts{listText(modeList, record.pwmMode), listText(freqList, record.pwmFreq),
                           record.period};
    if (isVisible())
        applyPending();
}

void DebugPage::showCalculatedParams(const TCalculatedParams& record, const QLocale& locale) {
    pendingCalculated_ = Localised<TCalculatedParams>{record, locale};
    if (isVisible())
        applyPending();
}

void DebugPage::showFfbReport(const TFFBReport& record, const QLocale& locale) {
    pendingFfb_ = Localised<TFFBReport>{record, locale};
    if (isVisible())
        applyPending();
}

void DebugPage::showEvent(QShowEvent* event) {
    applyPending();
    QWidget::showEvent(event);
}

// Every show method keeps its record here first; on screen it is applied at once, otherwise
// when the page is shown.
void DebugPage::applyPending() {
    if (pendingAxes_)
        applyAxes(*std::exchange(pendingAxes_, std::nullopt));
    if (pendingEncoder_)
        applyEncoderStats(*std::exchange(pendingEncoder_, std::nullopt));
    if (pendingPwm_)
        applyPwmStats(*std::exchange(pendingPwm_, std::nullopt));
    if (pendingCalculated_) {
        const auto pending = *std::exchange(pendingCalculated_, std::nullopt);
        applyCalculatedParams(pending.record, pending.locale);
    }
    if (pendingFfb_) {
        const auto pending = *std::exchange(pendingFfb_, std::nullopt);
        applyFfbReport(pending.record, pending.locale);
    }
}

void DebugPage::applyAxes(const TAxesReport& axes) {
    wX->setText(QString::number(axes.x));
    wY->setText(QString::number(axes.y));
    wZ->setText(QString::number(axes.z));
    wRX->setText(QString::number(axes.rx));
    wRY->setText(QString::number(axes.ry));
    wRZ->setText(QString::number(axes.rz));
}

void DebugPage::applyEncoderStats(const TEncoderStats& record) {
    cPos->setText(QString::number(record.currentPos));
    mPos->setText(QString::number(record.maxPos));
    dSpeed->setText(QString::number(record.speed));
    pZ->setText(QString::number(record.zPlus));
    nZ->setText(QString::number(record.zMinus));
    dPPR->setText(QString::number(record.ppr));
    dCPR->setText(QString::number(record.cpr));
}

void DebugPage::applyPwmStats(const PwmTexts& texts) {
    dPWMMode->setText(texts.mode);
    dPWMFreq->setText(texts.frequency);
    dPWMPeriod->setText(QString::number(texts.period));
}

void DebugPage::applyCalculatedParams(const TCalculatedParams& record, const QLocale& locale) {
    dTotalForce->setText(formatTwoDecimals(record.totalForce, locale));
    dStopForce->setText(formatTwoDecimals(record.stopForce, locale));
    dTotalForceGain->setText(formatTwoDecimals(record.totalForceGain, locale));
    dUserForce->setText(formatTwoDecimals(record.userForce, locale));
}

void DebugPage::applyFfbReport(const TFFBReport& record, const QLocale& locale) {
    dFFBConstantForce->setText(formatTwoDecimals(record.constantForce, locale));
    dFFBRampForce->setText(formatTwoDecimals(record.rampForce, locale));
    dFFBSpringForce->setText(formatTwoDecimals(record.springForce, locale));
    dFFBDamperForce->setText(formatTwoDecimals(record.damperForce, locale));
    dFFBInertiaForce->setText(formatTwoDecimals(record.inertiaForce, locale));
    dFFBFrictionForce->setText(formatTwoDecimals(record.frictionForce, locale));
    dFFBSquareForce->setText(formatTwoDecimals(record.squareForce, locale));
    dFFBTriangleForce->setText(formatTwoDecimals(record.triangleForce, locale));
    dFFBSineForce->setText(formatTwoDecimals(record.sineForce, locale));
    dFFBSawUpForce->setText(formatTwoDecimals(record.sawUpForce, locale));
    dFFBSawDownForce->setText(formatTwoDecimals(record.sawDownForce, locale));
    dFFBTotalForce->setText(formatTwoDecimals(record.totalForce, locale));
}

}  // namespace karvo
