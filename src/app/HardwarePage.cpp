#include "HardwarePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "DecimalSpinEdit.h"
#include "EditorConversions.h"
#include "FixedWidthSlot.h"
#include "PageBuilders.h"

namespace karvo {

namespace {

QGridLayout* formGrid(QWidget* owner) {
    auto* grid = new QGridLayout(owner);
    grid->setContentsMargins(8, 4, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    return grid;
}

void addField(QGridLayout* grid, int row, int column, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption, grid->parentWidget());
    label->setBuddy(field);
    grid->addWidget(label, row, column);
    grid->addWidget(field, row, column + 1);
}

DecimalSpinEdit* spinEdit(int decimals, double step, double value, const char* name,
                          QWidget* parent) {
    return named(new DecimalSpinEdit(decimals, step, value, parent), name);
}

// A received list value selects that entry; a value outside the list leaves none selected.
void showIndex(QComboBox* list, quint8 value) {
    list->setCurrentIndex(value < list->count() ? value : -1);
}

// The selected entry as one byte: no selection (-1) gives 255.
quint8 indexByte(const QComboBox* list) {
    return static_cast<quint8>(list->currentIndex() & 0xFF);
}

}  // namespace

HardwarePage::HardwarePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sTabSheet2"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);
    page->setSpacing(8);

    auto* halves = new QHBoxLayout;
    halves->setSpacing(8);
    halves->addWidget(buildMotor(), 1);
    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    right->addWidget(buildJoystick());
    GroupOthers = named(new QGroupBox(tr("Others"), this), "GroupOthers");
    right->addWidget(GroupOthers, 1);
    halves->addLayout(right, 1);
    page->addLayout(halves, 1);

    btnHardwareApply = named(new QPushButton(tr("Apply"), this), "btnHardwareApply");
    btnHardwareSave = named(new QPushButton(tr("Save"), this), "btnHardwareSave");
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    for (QPushButton* button : {btnHardwareApply, btnHardwareSave}) {
        button->setAutoDefault(false);
        button->setMinimumSize(96, 30);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    page->addLayout(buttons);

    applyFixedWidths();
}

HardwarePage::~HardwarePage() = default;

QWidget* HardwarePage::buildMotor() {
    GroupMotor = named(new QGroupBox(tr("Motor"), this), "GroupMotor");
    auto* motor = new QVBoxLayout(GroupMotor);
    motor->setSpacing(8);
    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(buildPwm(), 1);
    top->addWidget(buildEncoder(), 1);
    motor->addLayout(top);
    motor->addWidget(buildPid());
    motor->addStretch(1);
    return GroupMotor;
}

QWidget* HardwarePage::buildPwm() {
    GroupPWM = named(new QGroupBox(tr("PWM"), GroupMotor), "GroupPWM");
    QGridLayout* grid = formGrid(GroupPWM);
    pwmMode = dropDown({QStringLiteral("None"), QStringLiteral("PWM +/- (H-Bridge)"),
                        QStringLiteral("PWM & Dir"), QStringLiteral("PWM 0..50..100")},
                       1, "pwmMode", GroupPWM);
    pwmFreq =
        dropDown({QStringLiteral("16.8 kHz"), QStringLiteral("8.4 kHz"), QStringLiteral("5.6 kHz"),
                  QStringLiteral("4.2 kHz"), QStringLiteral("3.36 kHz"), QStringLiteral("2.1 kHz"),
                  QStringLiteral("1.0 kHz"), QStringLiteral("500 Hz"), QStringLiteral("250 Hz")},
                 0, "pwmFreq", GroupPWM);
    addField(grid, 0, 0, tr("Mode"), pwmMode);
    addField(grid, 1, 0, tr("Frequency"), pwmFreq);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    return GroupPWM;
}

QWidget* HardwarePage::buildEncoder() {
    GroupEncoder = named(new QGroupBox(tr("Encoder"), GroupMotor), "GroupEncoder");
    QGridLayout* grid = formGrid(GroupEncoder);
    grid->setVerticalSpacing(3);
    PPR = spinEdit(0, 1, 1000, "PPR", GroupEncoder);
    addField(grid, 0, 0, tr("PPR"), PPR);
    chkAbsEncoder = named(new QCheckBox(tr("Absolute Encoder")), "chkAbsEncoder");
    chkUseZ = named(new QCheckBox(tr("Use Z Index")), "chkUseZ");
    chkUseZ->setChecked(true);
    chkReverseEncoder = named(new QCheckBox(tr("Reverse Encoder")), "chkReverseEncoder");
    int row = 1;
    for (QCheckBox* box : {chkAbsEncoder, chkUseZ, chkReverseEncoder})
        grid->addWidget(new FixedWidthSlot(box, GroupEncoder), row++, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    return GroupEncoder;
}

QWidget* HardwarePage::buildPid() {
    GroupPID = named(new QGroupBox(tr("PID Controller"), GroupMotor), "GroupPID");
    QGridLayout* grid = formGrid(GroupPID);
    grid->setHorizontalSpacing(6);
    PIDMode =
        dropDown({QStringLiteral("Automatic"), QStringLiteral("Manual")}, 0, "PIDMode", GroupPID);
    controllerDirection = dropDown({QStringLiteral("Direct"), QStringLiteral("Reverse")}, 1,
                                   "controllerDirection", GroupPID);
    edtKp = spinEdit(2, 1, 30, "edtKp", GroupPID);
    edtKi = spinEdit(2, 1, 10, "edtKi", GroupPID);
    edtKd = spinEdit(2, 0.1, 1, "edtKd", GroupPID);
    edtKd->setDigitsOnly(true);
    edtSampleTime = spinEdit(2, 1, 1, "edtSampleTime", GroupPID);
    addField(grid, 0, 0, tr("Mode"), PIDMode);
    addField(grid, 1, 0, tr("Direction"), controllerDirection);
    addField(grid, 2, 0, tr("Sample Time (ms)"), edtSampleTime);
    addField(grid, 0, 2, tr("Kp"), edtKp);
    addField(grid, 1, 2, tr("Ki"), edtKi);
    addField(grid, 2, 2, tr("Kd"), edtKd);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(2, 16);
    return GroupPID;
}

QWidget* HardwarePage::buildJoystick() {
    GroupJoystick = named(new QGroupBox(tr("Joystick"), this), "GroupJoystick");
    QGridLayout* grid = formGrid(GroupJoystick);
    grid->setHorizontalSpacing(6);
    struct Axis {
        DecimalSpinEdit** edit;
        const char* name;
        QString caption;
        double initial;
    };
    const Axis left[] = {
        {&xAxisMin, "xAxisMin", tr("xAxis Min."), -100000},
        {&xAxisMax, "xAxisMax", tr("xAxis Max."), 100000},
        {&yAxisMin, "yAxisMin", tr("yAxis Min."), 0},
        {&yAxisMax, "yAxisMax", tr("yAxis Max."), 100000},
        {&zAxisMin, "zAxisMin", tr("zAxis Min."), 0},
        {&zAxisMax, "zAxisMax", tr("zAxis Max."), 100000},
    };
    const Axis right[] = {
        {&rxAxisMin, "rxAxisMin", tr("rxAxis Min."), 0},
        {&rxAxisMax, "rxAxisMax", tr("rxAxis Max."), 100000},
        {&ryAxisMin, "ryAxisMin", tr("ryAxis Min."), 0},
        {&ryAxisMax, "ryAxisMax", tr("ryAxis Max."), 100000},
        {&rzAxisMin, "rzAxisMin", tr("rzAxis Min."), 0},
        {&rzAxisMax, "rzAxisMax", tr("rzAxis Max."), 100000},
    };
    for (int row = 0; row < 6; ++row) {
        *left[row].edit = spinEdit(0, 1, left[row].initial, left[row].name, GroupJoystick);
        *right[row].edit = spinEdit(0, 1, right[row].initial, right[row].name, GroupJoystick);
        addField(grid, row, 0, left[row].caption, *left[row].edit);
        addField(grid, row, 2, right[row].caption, *right[row].edit);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(2, 16);
    return GroupJoystick;
}

void HardwarePage::applyFixedWidths() {
    for (QCheckBox* box : {chkReverseEncoder, chkUseZ, chkAbsEncoder})
        box->setFixedWidth(kEncoderCheckWidth);
}

// ---- editors ---------------------------------------------------------------------------------

TJoystickConfig HardwarePage::joystickConfig() const {
    TJoystickConfig record;
    record.xMin = truncateToI32(xAxisMin->value());
    record.xMax = truncateToI32(xAxisMax->value());
    record.yMin = truncateToI32(yAxisMin->value());
    record.yMax = truncateToI32(yAxisMax->value());
    record.zMin = truncateToI32(zAxisMin->value());
    record.zMax = truncateToI32(zAxisMax->value());
    record.rxMin = truncateToI32(rxAxisMin->value());
    record.rxMax = truncateToI32(rxAxisMax->value());
    record.ryMin = truncateToI32(ryAxisMin->value());
    record.ryMax = truncateToI32(ryAxisMax->value());
    record.rzMin = truncateToI32(rzAxisMin->value());
    record.rzMax = truncateToI32(rzAxisMax->value());
    return record;
}

TMotorConfig HardwarePage::motorConfig() const {
    TMotorConfig record;
    record.pwmMode = PwmModeFromIndex(pwmMode->currentIndex());
    record.pwmFreq = indexByte(pwmFreq);
    record.absEncoder = chkAbsEncoder->isChecked();
    record.zIndex = chkUseZ->isChecked();
    record.reverseEncoder = chkReverseEncoder->isChecked();
    record.PPR = truncateToU32(PPR->value());
    record.pidMode = indexByte(PIDMode);
    record.ctrlDirection = indexByte(controllerDirection);
    record.Kp = nearestFloat(edtKp->value());
    record.Ki = nearestFloat(edtKi->value());
    record.Kd = nearestFloat(edtKd->value());
    record.sampleTime = truncateToU32(edtSampleTime->value());
    return record;
}

void HardwarePage::showJoystickConfig(const TJoystickConfig& record) {
    xAxisMin->setValue(record.xMin);
    xAxisMax->setValue(record.xMax);
    yAxisMin->setValue(record.yMin);
    yAxisMax->setValue(record.yMax);
    zAxisMin->setValue(record.zMin);
    zAxisMax->setValue(record.zMax);
    rxAxisMin->setValue(record.rxMin);
    rxAxisMax->setValue(record.rxMax);
    ryAxisMin->setValue(record.ryMin);
    ryAxisMax->setValue(record.ryMax);
    rzAxisMin->setValue(record.rzMin);
    rzAxisMax->setValue(record.rzMax);
}

void HardwarePage::showMotorConfig(const TMotorConfig& record) {
    showIndex(pwmMode, record.pwmMode);
    showIndex(pwmFreq, record.pwmFreq);
    chkAbsEncoder->setChecked(record.absEncoder);
    chkUseZ->setChecked(record.zIndex);
    chkReverseEncoder->setChecked(record.reverseEncoder);
    PPR->setValue(static_cast<double>(record.PPR));
    showIndex(PIDMode, record.pidMode);
    showIndex(controllerDirection, record.ctrlDirection);
    edtKp->setValue(static_cast<double>(record.Kp));
    edtKi->setValue(static_cast<double>(record.Ki));
    edtKd->setValue(static_cast<double>(record.Kd));
    edtSampleTime->setValue(static_cast<double>(record.sampleTime));
}

}  // namespace karvo
