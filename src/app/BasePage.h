#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QWidget>

#include "CheckGroupBox.h"
#include "Records.h"
#include "ScrollingTextPanel.h"
#include "TrackSlider.h"

namespace karvo {

// The "Base" page: steering, force settings, filter, game-effect gains, user effects, the bottom
// bar with "Apply", the info panel and the profiles. Every control is a public member named, and
// with the object name, as the program refers to it. The page also converts between its controls
// and the two records that it edits; it sends nothing itself.
class BasePage : public QWidget {
    Q_OBJECT

public:
    explicit BasePage(QWidget* parent = nullptr);
    ~BasePage() override;

    // The controls as a wheel base record. The two number texts are parsed with the locale;
    // a text that is not a number throws KarvoError and no record comes out.
    TWheelBaseConfig wheelBaseConfig(const QLocale& locale) const;
    TUserEffectConfig userEffectConfig() const;

    // Every field of a received record into its control.
    void showWheelBaseConfig(const TWheelBaseConfig& record, const QLocale& locale);
    void showUserEffectConfig(const TUserEffectConfig& record);

    // One step of the steering angle (+1 or -1); the slider keeps it within its range. Returns the
    // new position.
    int nudgeMaxAngle(int delta);

    // Group "Steering".
    QGroupBox* GroupBasic;
    TrackSlider* sMaxAngle;
    QPushButton* btnDecWheel;
    QPushButton* btnIncWheel;
    QPushButton* btnCenterize;
    QPushButton* btnCalibrate;

    // Group "Force Settings".
    QGroupBox* GroupForce;
    TrackSlider* sStopForce;
    TrackSlider* sMinForce;
    TrackSlider* sMaxForce;

    // Group "Advanced Filter".
    QGroupBox* GroupFilter;
    TrackSlider* sOverallFilter;
    TrackSlider* sDamperFilter;
    TrackSlider* sInertiaFilter;
    TrackSlider* sFrictionFilter;
    QComboBox* sComboBox1;
    QLineEdit* edtQFactor;
    QLineEdit* edtPeakGain;

    // Group "Game Effects".
    QGroupBox* GroupGameEffects;
    QCheckBox* chkEnableTelemetry;
    TrackSlider* sOverall;
    TrackSlider* sConstantGain;
    TrackSlider* sRampGain;
    TrackSlider* sSpringGain;
    TrackSlider* sDamperGain;
    TrackSlider* sInertiaGain;
    TrackSlider* sFrictionGain;
    TrackSlider* sSquareGain;
    TrackSlider* sTriangleGain;
    TrackSlider* sSineGain;
    TrackSlider* sSawtoothUpGain;
    TrackSlider* sSawtoothDownGain;

    // Group "User Effects".
    QGroupBox* GroupUserEffects;
    CheckGroupBox* GroupUserDamper;
    TrackSlider* userDamperForce;
    TrackSlider* userDamperGain;
    CheckGroupBox* GroupUserFriction;
    TrackSlider* userFrictionForce;
    TrackSlider* userFrictionGain;
    CheckGroupBox* GroupUserInertia;
    TrackSlider* userInertiaForce;
    TrackSlider* userInertiaGain;
    CheckGroupBox* GroupUserSpring;
    TrackSlider* userSpringForce;
    TrackSlider* userSpringGain;
    QGroupBox* GroupUserEffect;
    TrackSlider* userEffectOffset;
    TrackSlider* userEffectGain;
    TrackSlider* userEffectSaturation;
    TrackSlider* userEffectCoefficient;

    // The bottom bar.
    QGroupBox* GroupApply;
    QPushButton* btnApply;
    QGroupBox* sGroupBox1;
    ScrollingTextPanel* InfoText;
    QGroupBox* GroupProfiles;
    QComboBox* cProfiles;
    QPushButton* btnLoadProfile;
    QPushButton* btnSaveProfile;

private:
    QWidget* buildSteering();
    QWidget* buildForce();
    QWidget* buildFilter();
    QWidget* buildGameEffects();
    QWidget* buildUserEffects();
    QWidget* buildBottomBar();
};

}  // namespace karvo
