#include "BasePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CheckGroupBox.h"
#include "EditorConversions.h"
#include "PageBuilders.h"
#include "ScrollingTextPanel.h"
#include "TrackSlider.h"

// The built-in picture of the info panel lives in the application's resources; a static library
// must register them explicitly.
static void registerAppResources() {
    Q_INIT_RESOURCE(app);
}

namespace karvo {

namespace {

constexpr int kValueWidth = 44;  // room for "10000" beside a slider
constexpr int kRowSpacing = 2;

QGridLayout* sliderGrid(QWidget* owner) {
    auto* grid = new QGridLayout(owner);
    grid->setContentsMargins(8, 1, 8, 3);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(kRowSpacing);
    grid->setColumnStretch(1, 1);
    return grid;
}

// A label, the slider and a read-out of its position, in one row of a grid.
TrackSlider* addSliderRow(QGridLayout* grid, const QString& caption, const char* name, int minimum,
                          int maximum, int value) {
    QWidget* owner = grid->parentWidget();
    const int row = grid->rowCount();
    auto* slider = named(new TrackSlider(minimum, maximum, value, owner), name);
    auto* label = new QLabel(caption, owner);
    label->setBuddy(slider);
    auto* readout =
        named(new QLabel(QString::number(value), owner), (QByteArray(name) + "Value").constData());
    readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readout->setFixedWidth(kValueWidth);
    QObject::connect(slider, &QSlider::valueChanged, readout,
                     [readout](int position) { readout->setNum(position); });
    grid->addWidget(label, row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(readout, row, 2);
    return slider;
}

quint16 plain(const QSlider* slider) {
    return static_cast<quint16>(slider->value());
}

quint16 gain(const QSlider* slider) {
    return gainToWire(slider->value());
}

void showPlain(QSlider* slider, quint16 value) {
    slider->setValue(clampToRange(value, slider->minimum(), slider->maximum()));
}

void showGain(QSlider* slider, quint16 value) {
    slider->setValue(clampToRange(gainFromWire(value), slider->minimum(), slider->maximum()));
}

// Gives the caption columns of groups stacked in one page column the same width, so that their
// sliders start at the same place.
void alignCaptionColumns(const QList<QWidget*>& groups) {
    QList<QGridLayout*> grids;
    int widest = 0;
    for (QWidget* group : groups) {
        auto* grid = qobject_cast<QGridLayout*>(group->layout());
        if (grid == nullptr)
            continue;
        grids << grid;
        for (int row = 0; row < grid->rowCount(); ++row) {
            QLayoutItem* item = grid->itemAtPosition(row, 0);
            if (item != nullptr && qobject_cast<QLabel*>(item->widget()) != nullptr)
                widest = qMax(widest, item->sizeHint().width());
        }
    }
    for (QGridLayout* grid : grids)
        grid->setColumnMinimumWidth(0, widest);
}

}  // namespace

BasePage::BasePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sTabSheet1"));
    registerAppResources();

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    page->setSpacing(6);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(6);
    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    // Extra height is shared by the rows of the groups, so that every column spaces its rows
    // alike: each group stretches by its number of rows.
    left->addWidget(buildSteering(), 2);
    left->addWidget(buildForce(), 3);
    left->addWidget(buildFilter(), 7);
    // The game effects need the least room across; the steering row the most.
    columns->addLayout(left, 6);
    columns->addWidget(buildGameEffects(), 5);
    columns->addWidget(buildUserEffects(), 6);
    page->addLayout(columns, 1);
    page->addWidget(buildBottomBar());

    alignCaptionColumns({GroupBasic, GroupForce, GroupFilter});
    alignCaptionColumns(
        {GroupUserDamper, GroupUserFriction, GroupUserInertia, GroupUserSpring, GroupUserEffect});
}

BasePage::~BasePage() = default;

QWidget* BasePage::buildSteering() {
    GroupBasic = group(tr("Steering"), "GroupBasic", this);
    auto* grid = new QGridLayout(GroupBasic);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);

    sMaxAngle = named(new TrackSlider(180, 1080, 180, GroupBasic), "sMaxAngle");
    sMaxAngle->setFilled(true);
    btnDecWheel = button(QStringLiteral("-"), "btnDecWheel", GroupBasic);
    btnIncWheel = button(QStringLiteral("+"), "btnIncWheel", GroupBasic);
    for (QPushButton* small : {btnDecWheel, btnIncWheel})
        small->setFixedSize(24, 22);
    auto* label = new QLabel(tr("Max Angle"), GroupBasic);
    label->setBuddy(sMaxAngle);
    auto* readout =
        named(new QLabel(QString::number(sMaxAngle->value()), GroupBasic), "sMaxAngleValue");
    readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readout->setFixedWidth(kValueWidth);
    connect(sMaxAngle, &QSlider::valueChanged, readout,
            [readout](int position) { readout->setText(QString::number(position) + u'\u00B0'); });
    readout->setText(QString::number(sMaxAngle->value()) + u'\u00B0');

    auto* angleRow = new QHBoxLayout;
    angleRow->setSpacing(4);
    angleRow->addWidget(btnDecWheel);
    angleRow->addWidget(sMaxAngle, 1);
    angleRow->addWidget(btnIncWheel);
    grid->addWidget(label, 0, 0);
    grid->addLayout(angleRow, 0, 1);
    grid->addWidget(readout, 0, 2);

    btnCenterize = button(tr("Centerize"), "btnCenterize", GroupBasic);
    btnCalibrate = button(tr("Calibrate"), "btnCalibrate", GroupBasic);
    auto* actions = new QHBoxLayout;
    actions->addStretch(1);
    actions->addWidget(btnCenterize);
    actions->addWidget(btnCalibrate);
    grid->addLayout(actions, 1, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    return GroupBasic;
}

QWidget* BasePage::buildForce() {
    GroupForce = group(tr("Force Settings"), "GroupForce", this);
    QGridLayout* grid = sliderGrid(GroupForce);
    sStopForce = addSliderRow(grid, tr("Stop Force"), "sStopForce", 0, 10000, 1500);
    sMinForce = addSliderRow(grid, tr("Min Force"), "sMinForce", 0, 10000, 0);
    sMaxForce = addSliderRow(grid, tr("Max Force"), "sMaxForce", 0, 10000, 10000);
    // Shown as the firmware's fixed maximum; nothing reads or writes it.
    sMaxForce->setEnabled(false);
    GroupForce->findChild<QLabel*>(QStringLiteral("sMaxForceValue"))->setEnabled(false);
    return GroupForce;
}

QWidget* BasePage::buildFilter() {
    GroupFilter = group(tr("Advanced Filter"), "GroupFilter", this);
    QGridLayout* grid = sliderGrid(GroupFilter);
    sOverallFilter = addSliderRow(grid, tr("Overall"), "sOverallFilter", 0, 10000, 0);
    sDamperFilter = addSliderRow(grid, tr("Damper"), "sDamperFilter", 0, 10000, 200);
    sInertiaFilter = addSliderRow(grid, tr("Inertia"), "sInertiaFilter", 0, 10000, 200);
    sFrictionFilter = addSliderRow(grid, tr("Friction"), "sFrictionFilter", 0, 10000, 200);

    sComboBox1 =
        dropDown({QStringLiteral("1 kHz"), QStringLiteral("720 Hz"), QStringLiteral("360 Hz"),
                  QStringLiteral("180 Hz"), QStringLiteral("90 Hz"), QStringLiteral("60 Hz")},
                 0, "sComboBox1", GroupFilter);
    sComboBox1->setEnabled(false);  // fixed in the firmware; nothing reads it
    edtQFactor = named(new QLineEdit(QStringLiteral("0.7071"), GroupFilter), "edtQFactor");
    edtPeakGain = named(new QLineEdit(QStringLiteral("0"), GroupFilter), "edtPeakGain");
    for (QLineEdit* edit : {edtQFactor, edtPeakGain}) {
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setMaximumWidth(110);
    }

    const int row = grid->rowCount();
    const QList<QPair<QString, QWidget*>> fields = {{tr("FFB Frequency"), sComboBox1},
                                                    {tr("Q Factor"), edtQFactor},
                                                    {tr("Peak Gain"), edtPeakGain}};
    for (int i = 0; i < fields.size(); ++i) {
        auto* label = new QLabel(fields[i].first, GroupFilter);
        label->setBuddy(fields[i].second);
        label->setEnabled(fields[i].second->isEnabled());
        grid->addWidget(label, row + i, 0);
        grid->addWidget(fields[i].second, row + i, 1, 1, 2, Qt::AlignLeft);
    }
    sComboBox1->setMinimumWidth(110);
    return GroupFilter;
}

QWidget* BasePage::buildGameEffects() {
    GroupGameEffects = group(tr("Game Effects"), "GroupGameEffects", this);
    QGridLayout* grid = sliderGrid(GroupGameEffects);
    chkEnableTelemetry =
        named(new QCheckBox(tr("Enable Telemetry"), GroupGameEffects), "chkEnableTelemetry");
    grid->addWidget(chkEnableTelemetry, 0, 0, 1, 3);
    grid->setRowMinimumHeight(0, 24);
    sOverall = addSliderRow(grid, tr("Overall"), "sOverall", 0, 100, 30);
    sConstantGain = addSliderRow(grid, tr("Constant Gain"), "sConstantGain", 0, 100, 100);
    sRampGain = addSliderRow(grid, tr("Ramp Gain"), "sRampGain", 0, 100, 100);
    sSpringGain = addSliderRow(grid, tr("Spring Gain"), "sSpringGain", 0, 100, 100);
    sDamperGain = addSliderRow(grid, tr("Damper Gain"), "sDamperGain", 0, 100, 100);
    sInertiaGain = addSliderRow(grid, tr("Inertia Gain"), "sInertiaGain", 0, 100, 100);
    sFrictionGain = addSliderRow(grid, tr("Friction Gain"), "sFrictionGain", 0, 100, 100);
    sSquareGain = addSliderRow(grid, tr("Square Gain"), "sSquareGain", 0, 100, 100);
    sTriangleGain = addSliderRow(grid, tr("Triangle Gain"), "sTriangleGain", 0, 100, 100);
    sSineGain = addSliderRow(grid, tr("Sine Gain"), "sSineGain", 0, 100, 100);
    sSawtoothUpGain = addSliderRow(grid, tr("Sawtooth Up"), "sSawtoothUpGain", 0, 100, 100);
    sSawtoothDownGain = addSliderRow(grid, tr("Sawtooth Down"), "sSawtoothDownGain", 0, 100, 100);
    return GroupGameEffects;
}

QWidget* BasePage::buildUserEffects() {
    GroupUserEffects = group(tr("User Effects"), "GroupUserEffects", this);
    auto* column = new QVBoxLayout(GroupUserEffects);
    column->setContentsMargins(6, 1, 6, 3);
    column->setSpacing(3);

    struct Pair {
        CheckGroupBox** box;
        const char* boxName;
        QString caption;
        TrackSlider** force;
        const char* forceName;
        TrackSlider** gain;
        const char* gainName;
    };
    const Pair pairs[] = {
        {&GroupUserDamper, "GroupUserDamper", tr("Damper"), &userDamperForce, "userDamperForce",
         &userDamperGain, "userDamperGain"},
        {&GroupUserFriction, "GroupUserFriction", tr("Friction"), &userFrictionForce,
         "userFrictionForce", &userFrictionGain, "userFrictionGain"},
        {&GroupUserInertia, "GroupUserInertia", tr("Inertia"), &userInertiaForce,
         "userInertiaForce", &userInertiaGain, "userInertiaGain"},
        {&GroupUserSpring, "GroupUserSpring", tr("Spring"), &userSpringForce, "userSpringForce",
         &userSpringGain, "userSpringGain"},
    };
    for (const Pair& pair : pairs) {
        auto* box = named(new CheckGroupBox(pair.caption, GroupUserEffects), pair.boxName);
        box->setChecked(true);
        QGridLayout* grid = sliderGrid(box);
        *pair.force = addSliderRow(grid, tr("Force"), pair.forceName, 0, 10000, 10000);
        *pair.gain = addSliderRow(grid, tr("Gain"), pair.gainName, 0, 100, 100);
        *pair.box = box;
        column->addWidget(box, 2);
    }

    GroupUserEffect = group(tr("Effect"), "GroupUserEffect", GroupUserEffects);
    QGridLayout* grid = sliderGrid(GroupUserEffect);
    userEffectOffset = addSliderRow(grid, tr("Offset"), "userEffectOffset", 0, 10000, 0);
    userEffectGain = addSliderRow(grid, tr("Gain"), "userEffectGain", 0, 10000, 10000);
    userEffectSaturation =
        addSliderRow(grid, tr("Saturation"), "userEffectSaturation", 0, 10000, 10000);
    userEffectCoefficient =
        addSliderRow(grid, tr("Coefficient"), "userEffectCoefficient", 0, 10000, 10000);
    column->addWidget(GroupUserEffect, 4);
    return GroupUserEffects;
}

QWidget* BasePage::buildBottomBar() {
    GroupApply = group(QString(), "GroupApply", this);
    auto* bar = new QHBoxLayout(GroupApply);
    bar->setContentsMargins(8, 3, 8, 4);
    bar->setSpacing(10);

    btnApply = button(tr("Apply"), "btnApply", GroupApply);
    btnApply->setMinimumSize(96, 30);
    bar->addWidget(btnApply, 0, Qt::AlignVCenter);

    sGroupBox1 = group(tr("Info"), "sGroupBox1", GroupApply);
    auto* info = new QVBoxLayout(sGroupBox1);
    info->setContentsMargins(3, 1, 3, 2);
    InfoText = named(new ScrollingTextPanel(sGroupBox1), "InfoText");
    InfoText->setLines({QStringLiteral("[title]Karvo Configuration UI"), QString(), QString(),
                        QStringLiteral("[subtitle]Karvo"), QStringLiteral("2020")});
    InfoText->setBackgroundPicture(QImage(QStringLiteral(":/pictures/info_default.png")));
    info->addWidget(InfoText);
    bar->addWidget(sGroupBox1, 1);

    GroupProfiles = group(tr("Profiles"), "GroupProfiles", GroupApply);
    auto* profiles = new QHBoxLayout(GroupProfiles);
    profiles->setContentsMargins(8, 3, 8, 4);
    profiles->setSpacing(6);
    cProfiles = dropDown(
        {QStringLiteral("Profile 1"), QStringLiteral("Profile 2"), QStringLiteral("Profile 3"),
         QStringLiteral("Profile 4"), QStringLiteral("Profile 5")},
        0, "cProfiles", GroupProfiles);
    cProfiles->setMinimumWidth(100);
    btnLoadProfile = button(tr("Load"), "btnLoadProfile", GroupProfiles);
    btnSaveProfile = button(tr("Save"), "btnSaveProfile", GroupProfiles);
    profiles->addWidget(cProfiles);
    profiles->addWidget(btnLoadProfile);
    profiles->addWidget(btnSaveProfile);
    bar->addWidget(GroupProfiles, 0, Qt::AlignVCenter);
    return GroupApply;
}

// ---- editors ---------------------------------------------------------------------------------

TWheelBaseConfig BasePage::wheelBaseConfig(const QLocale& locale) const {
    TWheelBaseConfig record;
    record.steeringAngle = plain(sMaxAngle);
    record.stopForce = plain(sStopForce);
    record.minForce = plain(sMinForce);
    record.overAllFilter = plain(sOverallFilter);
    record.damperFilter = plain(sDamperFilter);
    record.inertiaFilter = plain(sInertiaFilter);
    record.frictionFilter = plain(sFrictionFilter);
    record.qFactor = parseLocaleFloat(edtQFactor->text(), locale);
    record.peakGain = parseLocaleFloat(edtPeakGain->text(), locale);
    record.totalForceGain = gain(sOverall);
    record.constantGain = gain(sConstantGain);
    record.rampGain = gain(sRampGain);
    record.squareGain = gain(sSquareGain);
    record.triangleGain = gain(sTriangleGain);
    record.sineGain = gain(sSineGain);
    record.sawtoothUpGain = gain(sSawtoothUpGain);
    record.sawtoothDownGain = gain(sSawtoothDownGain);
    record.springGain = gain(sSpringGain);
    record.damperGain = gain(sDamperGain);
    record.inertiaGain = gain(sInertiaGain);
    record.frictionGain = gain(sFrictionGain);
    record.enableTelemetryFfb = chkEnableTelemetry->isChecked();
    return record;
}

TUserEffectConfig BasePage::userEffectConfig() const {
    TUserEffectConfig record;
    record.damperForce = plain(userDamperForce);
    record.damperGain = gain(userDamperGain);
    record.frictionForce = plain(userFrictionForce);
    record.frictionGain = gain(userFrictionGain);
    record.inertiaForce = plain(userInertiaForce);
    record.inertiaGain = gain(userInertiaGain);
    record.springForce = plain(userSpringForce);
    record.springGain = gain(userSpringGain);
    record.eOffset = plain(userEffectOffset);
    record.eGain = plain(userEffectGain);
    record.eSaturation = plain(userEffectSaturation);
    record.eCoefficent = plain(userEffectCoefficient);
    record.enableDamper = GroupUserDamper->isChecked();
    record.enableInertia = GroupUserInertia->isChecked();
    record.enableFriction = GroupUserFriction->isChecked();
    record.enableSpring = GroupUserSpring->isChecked();
    return record;
}

void BasePage::showWheelBaseConfig(const TWheelBaseConfig& record, const QLocale& locale) {
    showPlain(sMaxAngle, record.steeringAngle);
    showPlain(sStopForce, record.stopForce);
    showPlain(sMinForce, record.minForce);
    showPlain(sOverallFilter, record.overAllFilter);
    showPlain(sDamperFilter, record.damperFilter);
    showPlain(sInertiaFilter, record.inertiaFilter);
    showPlain(sFrictionFilter, record.frictionFilter);
    edtQFactor->setText(formatFourDecimals(record.qFactor, locale));
    edtPeakGain->setText(formatFourDecimals(record.peakGain, locale));
    showGain(sOverall, record.totalForceGain);
    showGain(sConstantGain, record.constantGain);
    showGain(sRampGain, record.rampGain);
    showGain(sSquareGain, record.squareGain);
    showGain(sTriangleGain, record.triangleGain);
    showGain(sSineGain, record.sineGain);
    showGain(sSawtoothUpGain, record.sawtoothUpGain);
    showGain(sSawtoothDownGain, record.sawtoothDownGain);
    showGain(sSpringGain, record.springGain);
    showGain(sDamperGain, record.damperGain);
    showGain(sInertiaGain, record.inertiaGain);
    showGain(sFrictionGain, record.frictionGain);
    chkEnableTelemetry->setChecked(record.enableTelemetryFfb);
}

void BasePage::showUserEffectConfig(const TUserEffectConfig& record) {
    showPlain(userDamperForce, record.damperForce);
    showGain(userDamperGain, record.damperGain);
    showPlain(userFrictionForce, record.frictionForce);
    showGain(userFrictionGain, record.frictionGain);
    showPlain(userInertiaForce, record.inertiaForce);
    showGain(userInertiaGain, record.inertiaGain);
    showPlain(userSpringForce, record.springForce);
    showGain(userSpringGain, record.springGain);
    showPlain(userEffectOffset, record.eOffset);
    showPlain(userEffectGain, record.eGain);
    showPlain(userEffectSaturation, record.eSaturation);
    showPlain(userEffectCoefficient, record.eCoefficent);
    GroupUserDamper->setChecked(record.enableDamper);
    GroupUserInertia->setChecked(record.enableInertia);
    GroupUserFriction->setChecked(record.enableFriction);
    GroupUserSpring->setChecked(record.enableSpring);
}

int BasePage::nudgeMaxAngle(int delta) {
    sMaxAngle->setValue(clampToRange(sMaxAngle->value() + static_cast<qint64>(delta),
                                     sMaxAngle->minimum(), sMaxAngle->maximum()));
    return sMaxAngle->value();
}

}  // namespace karvo
