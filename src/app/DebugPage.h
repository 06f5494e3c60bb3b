#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QLocale>
#include <QPlainTextEdit>
#include <QWidget>

#include <optional>

#include "CheckGroupBox.h"
#include "FileNameEdit.h"
#include "Records.h"

class QGridLayout;

namespace karvo {

// The "Debug" page: live statistics on the left (encoder, PWM, wheel axes, calculated
// parameters, effect forces, the "Log to File" switch), the system log on the right. The show
// methods write a received statistics record into its labels. While the page is not on screen
// (another page in front, the window hidden) only the latest record of each kind is kept, and
// its labels take it when the page is shown: a base streaming at 1 kHz then costs no label
// updates nobody can see.
class DebugPage : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStatLabelWidth = 150;

    explicit DebugPage(QWidget* parent = nullptr);
    ~DebugPage() override;

    void showAxes(const TAxesReport& axes);
    void showEncoderStats(const TEncoderStats& record);
    // Mode and frequency are shown as the texts of those entries of the two lists that edit the
    // motor configuration; an index outside a list gives an empty label.
    void showPwmStats(const TPwmStats& record, const QComboBox* modeList,
                      const QComboBox* freqList);
    void showCalculatedParams(const TCalculatedParams& record, const QLocale& locale);
    void showFfbReport(const TFFBReport& record, const QLocale& locale);

    // The 32 value labels keep a width of 150 px whatever the layout does.
    void applyFixedWidths();
    // The 32 value labels, in the order of the statistics groups.
    const QList<QLabel*>& statisticsLabels() const { return statLabels_; }

    QGroupBox* GroupStats;
    QGroupBox* sGroupBox4;  // "Encoder"
    QLabel* cPos;
    QLabel* mPos;
    QLabel* dSpeed;
    QLabel* pZ;
    QLabel* nZ;
    QLabel* dPPR;
    QLabel* dCPR;
    QGroupBox* PWMStat;
    QLabel* dPWMMode;
    QLabel* dPWMFreq;
    QLabel* dPWMPeriod;
    QGroupBox* GroupWheel;
    QLabel* wX;
    QLabel* wY;
    QLabel* wZ;
    QLabel* wRX;
    QLabel* wRY;
    QLabel* wRZ;
    QGroupBox* GroupCalculatedParams;
    QLabel* dTotalForce;
    QLabel* dTotalForceGain;
    QLabel* dStopForce;
    QLabel* dUserForce;
    QGroupBox* GroupBiquad;
    QGroupBox* GroupEffectStats;
    QLabel* dFFBTotalForce;
    QLabel* dFFBConstantForce;
    QLabel* dFFBSpringForce;
    QLabel* dFFBDamperForce;
    QLabel* dFFBInertiaForce;
    QLabel* dFFBFrictionForce;
    QLabel* dFFBSquareForce;
    QLabel* dFFBTriangleForce;
    QLabel* dFFBSineForce;
    QLabel* dFFBSawUpForce;
    QLabel* dFFBSawDownForce;
    QLabel* dFFBRampForce;
    CheckGroupBox* enableLogTofile;
    FileNameEdit* LogfileSelector;

    QGroupBox* GroupLog;
    QPlainTextEdit* sysLog;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct PwmTexts {
        QString mode;
        QString frequency;
        qint16 period = 0;
    };
    template <typename Record>
    struct Localised {
        Record record;
        QLocale locale;
    };

    void applyAxes(const TAxesReport& axes);
    void applyEncoderStats(const TEncoderStats& record);
    void applyPwmStats(const PwmTexts& texts);
    void applyCalculatedParams(const TCalculatedParams& record, const QLocale& locale);
    void applyFfbReport(const TFFBReport& record, const QLocale& locale);
    void applyPending();

    QWidget* buildStatistics();
    QWidget* buildLog();
    QLabel* addValue(QGridLayout* grid, int row, int column, const QString& caption,
                     const char* name, int visibleWidth);

    QList<QLabel*> statLabels_;

    // The records not yet in the labels (kept while the page is off screen), the latest of each
    // kind.
    std::optional<TAxesReport> pendingAxes_;
    std::optional<TEncoderStats> pendingEncoder_;
    std::optional<PwmTexts> pendingPwm_;
    std::optional<Localised<TCalculatedParams>> pendingCalculated_;
    std::optional<Localised<TFFBReport>> pendingFfb_;
};

}  // namespace karvo
