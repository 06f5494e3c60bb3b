#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QWidget>

#include "DecimalSpinEdit.h"
#include "Records.h"

namespace karvo {

// The "Hardware" page: the motor (PWM, encoder, PID controller) on the left, the joystick axis
// ranges on the right, "Apply" and "Save" along the bottom. Controls are public members named as
// the program refers to them; the page converts between them and the motor and joystick records.
class HardwarePage : public QWidget {
    Q_OBJECT

public:
    static constexpr int kEncoderCheckWidth = 300;

    explicit HardwarePage(QWidget* parent = nullptr);
    ~HardwarePage() override;

    TJoystickConfig joystickConfig() const;
    TMotorConfig motorConfig() const;
    void showJoystickConfig(const TJoystickConfig& record);
    void showMotorConfig(const TMotorConfig& record);

    // The three encoder check boxes keep a width of 300 px whatever the layout does.
    void applyFixedWidths();

    QGroupBox* GroupMotor;
    QGroupBox* GroupPWM;
    QComboBox* pwmMode;
    QComboBox* pwmFreq;
    QGroupBox* GroupEncoder;
    DecimalSpinEdit* PPR;
    QCheckBox* chkAbsEncoder;
    QCheckBox* chkUseZ;
    QCheckBox* chkReverseEncoder;
    QGroupBox* GroupPID;
    QComboBox* PIDMode;
    QComboBox* controllerDirection;
    DecimalSpinEdit* edtKp;
    DecimalSpinEdit* edtKi;
    DecimalSpinEdit* edtKd;
    DecimalSpinEdit* edtSampleTime;

    QGroupBox* GroupJoystick;
    DecimalSpinEdit* xAxisMin;
    DecimalSpinEdit* xAxisMax;
    DecimalSpinEdit* yAxisMin;
    DecimalSpinEdit* yAxisMax;
    DecimalSpinEdit* zAxisMin;
    DecimalSpinEdit* zAxisMax;
    DecimalSpinEdit* rxAxisMin;
    DecimalSpinEdit* rxAxisMax;
    DecimalSpinEdit* ryAxisMin;
    DecimalSpinEdit* ryAxisMax;
    DecimalSpinEdit* rzAxisMin;
    DecimalSpinEdit* rzAxisMax;
    QGroupBox* GroupOthers;

    QPushButton* btnHardwareApply;
    QPushButton* btnHardwareSave;

private:
    QWidget* buildMotor();
    QWidget* buildPwm();
    QWidget* buildEncoder();
    QWidget* buildPid();
    QWidget* buildJoystick();
};

}  // namespace karvo
