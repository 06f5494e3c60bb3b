#include "ReportHandler.h"

#include "AppendLogText.h"
#include "CommandChannel.h"
#include "CommandPacket.h"
#include "EditorConversions.h"
#include "JsonDump.h"
#include "KarvoError.h"
#include "RecordDisplay.h"
#include "SystemLog.h"

namespace karvo {

ReportHandler::ReportHandler(CommandChannel& channel, RecordDisplay& display, SystemLog& log)
    : channel_(channel), display_(display), log_(log) {}

void ReportHandler::HIDCtlDeviceData(HidDevice*, quint8 reportId, const quint8* data, quint16 size) {
    if (Closing) return;
    const ByteView report(data, data ? size : 0);
    if (reportId == kAxesReportId) {
        display_.showAxes(decodeAxesReport(report));
        return;
    }
    if (reportId != kResponseReportId) return;

    // Bytes the device did not send read as 0; nothing past `size` is ever read.
    const quint8 recordType = report.size() > 0 ? report[0] : 0;
    const quint8 requestId = report.size() > 1 ? report[1] : 0;
    if (requestId != RequestId::Unsolicited &&
        channel_.RequestQ.value(QString::number(requestId)) != QLatin1String("1")) {
        return;
    }
    const ByteView payload = report.size() > 2 ? report.subspan(2) : ByteView();

    QString failure;
    try {
        dispatch(recordType, payload);
    } catch (const std::exception& error) {
        failure = errorText(error);
    }
    if (requestId != RequestId::Unsolicited) {
        try {
            channel_.SendAck(requestId);
        } catch (const std::exception& error) {
            failure = errorText(error);
        }
    }
    if (!failure.isEmpty()) log_.SetAppStatus(failure);
}

void ReportHandler::dispatch(quint8 recordType, ByteView payload) {
    switch (recordType) {
        case RecordType::FirmwareVersion: {
            const QString text = firmwareVersionText(decodeFirmwareVersion(payload));
            log_.SetSysLog(QStringLiteral("FW Version: ") + text);
            display_.showFirmwareVersion(text);
            break;
        }
        case RecordType::JoystickConfig:
            display_.showJoystickConfig(decodeJoystickConfig(payload));
            break;
        case RecordType::MotorConfig: {
            const TMotorConfig record = decodeMotorConfig(payload);
            display_.showMotorConfig(record);
            dumpIfEnabled(record);
            break;
        }
        case RecordType::WheelBaseConfig: {
            const TWheelBaseConfig record = decodeWheelBaseConfig(payload);
            display_.showWheelBaseConfig(record);
            dumpIfEnabled(record);
            break;
        }
        case RecordType::UserEffectConfig: {
            const TUserEffectConfig record = decodeUserEffectConfig(payload);
            display_.showUserEffectConfig(record);
            dumpIfEnabled(record);
            break;
        }
        case RecordType::EncoderStats:
            display_.showEncoderStats(decodeEncoderStats(payload));
            break;
        case RecordType::PwmStats:
            display_.showPwmStats(decodePwmStats(payload));
            break;
        case RecordType::CalculatedParams:
            display_.showCalculatedParams(decodeCalculatedParams(payload));
            break;
        case RecordType::FfbReport: {
            const TFFBReport record = decodeFfbReport(payload);
            display_.showFfbReport(record);
            dumpIfEnabled(record);
            break;
        }
        default:
            break;  // telemetry (4) and unknown types: nothing shown, still acknowledged
    }
}

template <typename Record>
void ReportHandler::dumpIfEnabled(const Record& record) {
    if (!display_.logToFileChecked()) return;
    try {
        // Every object ends with CR LF, so the debug log holds one JSON object per line.
        AppendLogText(display_.logFileName(), DumpRecordJson(record) + QStringLiteral("\r\n"));
        dumpFailureShown_ = false;
    } catch (const KarvoError&) {
        // A stream of failing dumps shows its error once, and again only after a dump succeeded.
        if (dumpFailureShown_) return;
        dumpFailureShown_ = true;
        throw;
    }
}

}  // namespace karvo
