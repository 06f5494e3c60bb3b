#pragma once

#include "Records.h"

#include <QString>

namespace karvo {

// The window side of incoming reports: the display steps for each accepted record, and the
// "Log to File" switch with its file name, read anew for each dump.
class RecordDisplay {
public:
    virtual ~RecordDisplay() = default;
    virtual void showAxes(const TAxesReport& axes) = 0;
    virtual void showFirmwareVersion(const QString& text) = 0;  // status panel 5
    virtual void showJoystickConfig(const TJoystickConfig& record) = 0;
    virtual void showMotorConfig(const TMotorConfig& record) = 0;
    virtual void showWheelBaseConfig(const TWheelBaseConfig& record) = 0;
    virtual void showUserEffectConfig(const TUserEffectConfig& record) = 0;
    virtual void showEncoderStats(const TEncoderStats& record) = 0;
    virtual void showPwmStats(const TPwmStats& record) = 0;
    virtual void showCalculatedParams(const TCalculatedParams& record) = 0;
    virtual void showFfbReport(const TFFBReport& record) = 0;
    virtual bool logToFileChecked() const = 0;
    virtual QString logFileName() const = 0;
};

}  // namespace karvo
