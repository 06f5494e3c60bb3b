// Every named control of the three pages: where it sits, its caption, its initial state.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "BasePage.h"
#include "DebugPage.h"
#include "HardwarePage.h"

using namespace karvo;

namespace {

// The caption a person sees for a control: its own text, or the label that names it.
QString captionOf(const QWidget* page, const QWidget* control) {
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    for (const QLabel* label : page->findChildren<QLabel*>()) {
        if (label->buddy() == control ||
            label->objectName() == control->objectName() + QStringLiteral("Caption"))
            return label->text();
    }
    return {};
}

// The control's kind and state in one line.
QString stateOf(const QWidget* control) {
    if (auto* slider = qobject_cast<const TrackSlider*>(control))
        return QStringLiteral("slider %1..%2 = %3")
            .arg(slider->minimum())
            .arg(slider->maximum())
            .arg(slider->value());
    if (auto* spin = qobject_cast<const DecimalSpinEdit*>(control))
        return QStringLiteral("spin %1 places step %2%3 = %4")
            .arg(spin->decimals())
            .arg(spin->singleStep())
            .arg(spin->digitsOnly() ? QStringLiteral(" digits") : QString())
            .arg(spin->text());
    if (auto* list = qobject_cast<const QComboBox*>(control)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return QStringLiteral("list [%1] = %2").arg(items.join(u'|'), list->currentText());
    }
    if (auto* box = qobject_cast<const CheckGroupBox*>(control))
        return box->isChecked() ? QStringLiteral("group check on")
                                : QStringLiteral("group check off");
    if (qobject_cast<const QGroupBox*>(control))
        return QStringLiteral("group");
    if (auto* check = qobject_cast<const QCheckBox*>(control))
        return check->isChecked() ? QStringLiteral("check on") : QStringLiteral("check off");
    if (qobject_cast<const QPushButton*>(control))
        return QStringLiteral("button");
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return QStringLiteral("edit = ") + edit->text();
    if (auto* label = qobject_cast<const QLabel*>(control))
        return QStringLiteral("label = ") + label->text();
    if (auto* file = qobject_cast<const FileNameEdit*>(control))
        return QStringLiteral("file = ") + file->text();
    if (qobject_cast<const ScrollingTextPanel*>(control))
        return QStringLiteral("scrolling text");
    if (qobject_cast<const QPlainTextEdit*>(control))
        return QStringLiteral("memo");
    return QStringLiteral("unknown ") + QString::fromLatin1(control->metaObject()->className());
}

QString enclosingGroup(const QWidget* control) {
    for (QWidget* up = control->parentWidget(); up; up = up->parentWidget()) {
        if (qobject_cast<QGroupBox*>(up))
            return up->objectName();
    }
    return {};
}

struct Row {
    const char* page;
    const char* name;
    const char* group;  // the nearest enclosing group box
    const char* caption;
    const char* state;
    bool enabled;
};

const QString kPwmModes = QStringLiteral("None|PWM +/- (H-Bridge)|PWM & Dir|PWM 0..50..100");

// clang-format off
const Row kRows[] = {
    {"base", "GroupBasic", "", "Steering", "group", true},
    {"base", "sMaxAngle", "GroupBasic", "Max Angle", "slider 180..1080 = 180", true},
    {"base", "btnDecWheel", "GroupBasic", "-", "button", true},
    {"base", "btnIncWheel", "GroupBasic", "+", "button", true},
    {"base", "btnCenterize", "GroupBasic", "Centerize", "button", true},
    {"base", "btnCalibrate", "GroupBasic", "Calibrate", "button", true},
    {"base", "GroupForce", "", "Force Settings", "group", true},
    {"base", "sStopForce", "GroupForce", "Stop Force", "slider 0..10000 = 1500", true},
    {"base", "sMinForce", "GroupForce", "Min Force", "slider 0..10000 = 0", true},
    {"base", "sMaxForce", "GroupForce", "Max Force", "slider 0..10000 = 10000", false},
    {"base", "GroupFilter", "", "Advanced Filter", "group", true},
    {"base", "sOverallFilter", "GroupFilter", "Overall", "slider 0..10000 = 0", true},
    {"base", "sDamperFilter", "GroupFilter", "Damper", "slider 0..10000 = 200", true},
    {"base", "sInertiaFilter", "GroupFilter", "Inertia", "slider 0..10000 = 200", true},
    {"base", "sFrictionFilter", "GroupFilter", "Friction", "slider 0..10000 = 200", true},
    {"base", "sComboBox1", "GroupFilter", "FFB Frequency",
     "list [1 kHz|720 Hz|360 Hz|180 Hz|90 Hz|60 Hz] = 1 kHz", false},
    {"base", "edtQFactor", "GroupFilter", "Q Factor", "edit = 0.7071", true},
    {"base", "edtPeakGain", "GroupFilter", "Peak Gain", "edit = 0", true},
    {"base", "GroupGameEffects", "", "Game Effects", "group", true},
    {"base", "chkEnableTelemetry", "GroupGameEffects", "Enable Telemetry", "check off", true},
    {"base", "sOverall", "GroupGameEffects", "Overall", "slider 0..100 = 30", true},
    {"base", "sConstantGain", "GroupGameEffects", "Constant Gain", "slider 0..100 = 100", true},
    {"base", "sRampGain", "GroupGameEffects", "Ramp Gain", "slider 0..100 = 100", true},
    {"base", "sSpringGain", "GroupGameEffects", "Spring Gain", "slider 0..100 = 100", true},
    {"base", "sDamperGain", "GroupGameEffects", "Damper Gain", "slider 0..100 = 100", true},
    {"base", "sInertiaGain", "GroupGameEffects", "Inertia Gain", "slider 0..100 = 100", true},
    {"base", "sFrictionGain", "GroupGameEffects", "Friction Gain", "slider 0..100 = 100", true},
    {"base", "sSquareGain", "GroupGameEffects", "Square Gain", "slider 0..100 = 100", true},
    {"base", "sTriangleGain", "GroupGameEffects", "Triangle Gain", "slider 0..100 = 100", true},
    {"base", "sSineGain", "GroupGameEffects", "Sine Gain", "slider 0..100 = 100", true},
    {"base", "sSawtoothUpGain", "GroupGameEffects", "Sawtooth Up", "slider 0..100 = 100", true},
    {"base", "sSawtoothDownGain", "GroupGameEffects", "Sawtooth Down", "slider 0..100 = 100", true},
    {"base", "GroupUserEffects", "", "User Effects", "group", true},
    {"base", "GroupUserDamper", "GroupUserEffects", "Damper", "group check on", true},
    {"base", "userDamperForce", "GroupUserDamper", "Force", "slider 0..10000 = 10000", true},
    {"base", "userDamperGain", "GroupUserDamper", "Gain", "slider 0..100 = 100", true},
    {"base", "GroupUserFriction", "GroupUserEffects", "Friction", "group check on", true},
    {"base", "userFrictionForce", "GroupUserFriction", "Force", "slider 0..10000 = 10000", true},
    {"base", "userFrictionGain", "GroupUserFriction", "Gain", "slider 0..100 = 100", true},
    {"base", "GroupUserInertia", "GroupUserEffects", "Inertia", "group check on", true},
    {"base", "userInertiaForce", "GroupUserInertia", "Force", "slider 0..10000 = 10000", true},
    {"base", "userInertiaGain", "GroupUserInertia", "Gain", "slider 0..100 = 100", true},
    {"base", "GroupUserSpring", "GroupUserEffects", "Spring", "group check on", true},
    {"base", "userSpringForce", "GroupUserSpring", "Force", "slider 0..10000 = 10000", true},
    {"base", "userSpringGain", "GroupUserSpring", "Gain", "slider 0..100 = 100", true},
    {"base", "GroupUserEffect", "GroupUserEffects", "Effect", "group", true},
    {"base", "userEffectOffset", "GroupUserEffect", "Offset", "slider 0..10000 = 0", true},
    {"base", "userEffectGain", "GroupUserEffect", "Gain", "slider 0..10000 = 10000", true},
    {"base", "userEffectSaturation", "GroupUserEffect", "Saturation", "slider 0..10000 = 10000", true},
    {"base", "userEffectCoefficient", "GroupUserEffect", "Coefficient", "slider 0..10000 = 10000", true},
    {"base", "GroupApply", "", "", "group", true},
    {"base", "btnApply", "GroupApply", "Apply", "button", true},
    {"base", "sGroupBox1", "GroupApply", "Info", "group", true},
    {"base", "InfoText", "sGroupBox1", "", "scrolling text", true},
    {"base", "GroupProfiles", "GroupApply", "Profiles", "group", true},
    {"base", "cProfiles", "GroupProfiles", "",
     "list [Profile 1|Profile 2|Profile 3|Profile 4|Profile 5] = Profile 1", true},
    {"base", "btnLoadProfile", "GroupProfiles", "Load", "button", true},
    {"base", "btnSaveProfile", "GroupProfiles", "Save", "button", true},

    {"hardware", "GroupMotor", "", "Motor", "group", true},
    {"hardware", "GroupPWM", "GroupMotor", "PWM", "group", true},
    {"hardware", "pwmMode", "GroupPWM", "Mode",
     "list [None|PWM +/- (H-Bridge)|PWM & Dir|PWM 0..50..100] = PWM +/- (H-Bridge)", true},
    {"hardware", "pwmFreq", "GroupPWM", "Frequency",
     "list [16.8 kHz|8.4 kHz|5.6 kHz|4.2 kHz|3.36 kHz|2.1 kHz|1.0 kHz|500 Hz|250 Hz] = 16.8 kHz", true},
    {"hardware", "GroupEncoder", "GroupMotor", "Encoder", "group", true},
    {"hardware", "PPR", "GroupEncoder", "PPR", "spin 0 places step 1 = 1000", true},
    {"hardware", "chkAbsEncoder", "GroupEncoder", "Absolute Encoder", "check off", true},
    {"hardware", "chkUseZ", "GroupEncoder", "Use Z Index", "check on", true},
    {"hardware", "chkReverseEncoder", "GroupEncoder", "Reverse Encoder", "check off", true},
    {"hardware", "GroupPID", "GroupMotor", "PID Controller", "group", true},
    {"hardware", "PIDMode", "GroupPID", "Mode", "list [Automatic|Manual] = Automatic", true},
    {"hardware", "controllerDirection", "GroupPID", "Direction", "list [Direct|Reverse] = Reverse", true},
    {"hardware", "edtKp", "GroupPID", "Kp", "spin 2 places step 1 = 30.00", true},
    {"hardware", "edtKi", "GroupPID", "Ki", "spin 2 places step 1 = 10.00", true},
    {"hardware", "edtKd", "GroupPID", "Kd", "spin 2 places step 0.1 digits = 1.00", true},
    {"hardware", "edtSampleTime", "GroupPID", "Sample Time (ms)", "spin 2 places step 1 = 1.00", true},
    {"hardware", "GroupJoystick", "", "Joystick", "group", true},
    {"hardware", "xAxisMin", "GroupJoystick", "xAxis Min.", "spin 0 places step 1 = -100000", true},
    {"hardware", "xAxisMax", "GroupJoystick", "xAxis Max.", "spin 0 places step 1 = 100000", true},
    {"hardware", "yAxisMin", "GroupJoystick", "yAxis Min.", "spin 0 places step 1 = 0", true},
    {"hardware", "yAxisMax", "GroupJoystick", "yAxis Max.", "spin 0 places step 1 = 100000", true},
    {"hardware", "zAxisMin", "GroupJoystick", "zAxis Min.", "spin 0 places step 1 = 0", true},
    {"hardware", "zAxisMax", "GroupJoystick", "zAxis Max.", "spin 0 places step 1 = 100000", true},
    {"hardware", "rxAxisMin", "GroupJoystick", "rxAxis Min.", "spin 0 places step 1 = 0", true},
    {"hardware", "rxAxisMax", "GroupJoystick", "rxAxis Max.", "spin 0 places step 1 = 100000", true},
    {"hardware", "ryAxisMin", "GroupJoystick", "ryAxis Min.", "spin 0 places step 1 = 0", true},
    {"hardware", "ryAxisMax", "GroupJoystick", "ryAxis Max.", "spin 0 places step 1 = 100000", true},
    {"hardware", "rzAxisMin", "GroupJoystick", "rzAxis Min.", "spin 0 places step 1 = 0", true},
    {"hardware", "rzAxisMax", "GroupJoystick", "rzAxis Max.", "spin 0 places step 1 = 100000", true},
    {"hardware", "GroupOthers", "", "Others", "group", true},
    {"hardware", "btnHardwareApply", "", "Apply", "button", true},
    {"hardware", "btnHardwareSave", "", "Save", "button", true},

    {"debug", "GroupStats", "", "Statistics", "group", true},
    {"debug", "sGroupBox4", "GroupStats", "Encoder", "group", true},
    {"debug", "cPos", "sGroupBox4", "Current Pos", "label = 0", true},
    {"debug", "mPos", "sGroupBox4", "Max Pos", "label = 0", true},
    {"debug", "dSpeed", "sGroupBox4", "Speed", "label = 0", true},
    {"debug", "pZ", "sGroupBox4", "Z+", "label = 0", true},
    {"debug", "nZ", "sGroupBox4", "Z-", "label = 0", true},
    {"debug", "dPPR", "sGroupBox4", "PPR", "label = 0", true},
    {"debug", "dCPR", "sGroupBox4", "CPR", "label = 0", true},
    {"debug", "PWMStat", "GroupStats", "PWM", "group", true},
    {"debug", "dPWMMode", "PWMStat", "Mode", "label = 0", true},
    {"debug", "dPWMFreq", "PWMStat", "Freq", "label = 0", true},
    {"debug", "dPWMPeriod", "PWMStat", "Period", "label = 0", true},
    {"debug", "GroupWheel", "GroupStats", "Wheel", "group", true},
    {"debug", "wX", "GroupWheel", "X", "label = 0", true},
    {"debug", "wY", "GroupWheel", "Y", "label = 0", true},
    {"debug", "wZ", "GroupWheel", "Z", "label = 0", true},
    {"debug", "wRX", "GroupWheel", "RX", "label = 0", true},
    {"debug", "wRY", "GroupWheel", "RY", "label = 0", true},
    {"debug", "wRZ", "GroupWheel", "RZ", "label = 0", true},
    {"debug", "GroupCalculatedParams", "GroupStats", "Calculated Parameters", "group", true},
    {"debug", "dTotalForce", "GroupCalculatedParams", "Total Force", "label = 0", true},
    {"debug", "dTotalForceGain", "GroupCalculatedParams", "Total Force Gain", "label = 0", true},
    {"debug", "dStopForce", "GroupCalculatedParams", "Stop Force", "label = 0", true},
    {"debug", "dUserForce", "GroupCalculatedParams", "User Force", "label = 0", true},
    {"debug", "GroupBiquad", "GroupStats", "Biquad", "group", true},
    {"debug", "GroupEffectStats", "GroupStats", "Effects", "group", true},
    {"debug", "dFFBTotalForce", "GroupEffectStats", "Total Force", "label = 0", true},
    {"debug", "dFFBConstantForce", "GroupEffectStats", "Constant Force", "label = 0", true},
    {"debug", "dFFBSpringForce", "GroupEffectStats", "Spring Force", "label = 0", true},
    {"debug", "dFFBDamperForce", "GroupEffectStats", "Damper Force", "label = 0", true},
    {"debug", "dFFBInertiaForce", "GroupEffectStats", "Inertia Force", "label = 0", true},
    {"debug", "dFFBFrictionForce", "GroupEffectStats", "Friction Force", "label = 0", true},
    {"debug", "dFFBSquareForce", "GroupEffectStats", "Square Force", "label = 0", true},
    {"debug", "dFFBTriangleForce", "GroupEffectStats", "Triangle Force", "label = 0", true},
    {"debug", "dFFBSineForce", "GroupEffectStats", "Sine Force", "label = 0", true},
    {"debug", "dFFBSawUpForce", "GroupEffectStats", "Saw Up Force", "label = 0", true},
    {"debug", "dFFBSawDownForce", "GroupEffectStats", "Saw Down Force", "label = 0", true},
    {"debug", "dFFBRampForce", "GroupEffectStats", "Ramp Force", "label = 0", true},
    {"debug", "enableLogTofile", "GroupStats", "Log to File", "group check off", true},
    {"debug", "LogfileSelector", "enableLogTofile", "", "file = debug.log", true},
    {"debug", "GroupLog", "", "Log", "group", true},
    {"debug", "sysLog", "GroupLog", "", "memo", true},
};
// clang-format on

}  // namespace

class TestUiPages : public QObject {
    Q_OBJECT

    BasePage* base_ = nullptr;
    HardwarePage* hardware_ = nullptr;
    DebugPage* debug_ = nullptr;

    QWidget* page(const QString& name) const {
        if (name == QLatin1String("base"))
            return base_;
        if (name == QLatin1String("hardware"))
            return hardware_;
        return debug_;
    }

private slots:
    void init() {
        base_ = new BasePage;
        hardware_ = new HardwarePage;
        debug_ = new DebugPage;
    }
    void cleanup() {
        delete base_;
        delete hardware_;
        delete debug_;
    }

    void fixtureWorks() {
        QCOMPARE(base_->sMaxAngle->objectName(), QStringLiteral("sMaxAngle"));
        QCOMPARE(hardware_->PPR->objectName(), QStringLiteral("PPR"));
        QCOMPARE(debug_->cPos->objectName(), QStringLiteral("cPos"));
    }

    void everyControlAtStart_data() {
        QTest::addColumn<QString>("pageName");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("enabled");
        for (const Row& row : kRows) {
            QTest::newRow(row.name)
                << QString::fromLatin1(row.page) << QString::fromLatin1(row.group)
                << QString::fromUtf8(row.caption) << QString::fromUtf8(row.state) << row.enabled;
        }
    }
    void everyControlAtStart() {
        QFETCH(QString, pageName);
        QFETCH(QString, group);
        QFETCH(QString, caption);
        QFETCH(QString, state);
        QFETCH(bool, enabled);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const QList<QWidget*> found = page(pageName)->findChildren<QWidget*>(name);
        QCOMPARE(found.size(), 1);  // exactly one control carries the name
        QWidget* control = found.first();
        QCOMPARE(stateOf(control), state);
        QCOMPARE(captionOf(page(pageName), control), caption);
        QCOMPARE(enclosingGroup(control), group);
        QCOMPARE(control->isEnabled(), enabled);
    }

    void membersAreTheNamedControls() {
        QCOMPARE(base_->findChild<QWidget*>(QStringLiteral("sMaxAngle")), base_->sMaxAngle);
        QCOMPARE(base_->findChild<QWidget*>(QStringLiteral("GroupUserSpring")),
                 base_->GroupUserSpring);
        QCOMPARE(base_->findChild<QWidget*>(QStringLiteral("cProfiles")), base_->cProfiles);
        QCOMPARE(hardware_->findChild<QWidget*>(QStringLiteral("edtKd")), hardware_->edtKd);
        QCOMPARE(hardware_->findChild<QWidget*>(QStringLiteral("rzAxisMax")), hardware_->rzAxisMax);
        QCOMPARE(debug_->findChild<QWidget*>(QStringLiteral("dFFBRampForce")),
                 debug_->dFFBRampForce);
        QCOMPARE(debug_->findChild<QWidget*>(QStringLiteral("enableLogTofile")),
                 debug_->enableLogTofile);
    }

    void listsCannotBeTypedInto() {
        int lists = 0;
        for (QWidget* p : {static_cast<QWidget*>(base_), static_cast<QWidget*>(hardware_)}) {
            for (const QComboBox* list : p->findChildren<QComboBox*>()) {
                QVERIFY2(!list->isEditable(), qPrintable(list->objectName()));
                ++lists;
            }
        }
        QCOMPARE(lists, 6);
    }

    void maxAngleTrackIsFilled() {
        QVERIFY(base_->sMaxAngle->isFilled());
        QVERIFY(!base_->sStopForce->isFilled());
    }

    void infoPanelTextAndBuiltInPicture() {
        QCOMPARE(base_->InfoText->lines(),
                 (QStringList{QStringLiteral("[title]Karvo Configuration UI"), QString(), QString(),
                              QStringLiteral("[subtitle]Karvo"), QStringLiteral("2020")}));
        QVERIFY(!base_->InfoText->backgroundPicture().isNull());
    }

    void systemLogIsAnUnlimitedBorderlessMemo() {
        QCOMPARE(debug_->sysLog->frameShape(), QFrame::NoFrame);
        QVERIFY(!debug_->sysLog->isReadOnly());
        QCOMPARE(debug_->sysLog->maximumBlockCount(), 0);
    }

    void logFileNameIsLimited() { QCOMPARE(debug_->LogfileSelector->lineEdit()->maxLength(), 255); }

    void statisticsLabelsAreTheThirtyTwo() {
        QCOMPARE(debug_->statisticsLabels().size(), 32);
        for (QLabel* label : debug_->statisticsLabels())
            QCOMPARE(label->width(), 150);
    }
};

QTEST_MAIN(TestUiPages)
#include "tst_ui_pages.moc"
