#pragma once

#include "Records.h"

#include <QtGlobal>

namespace karvo {

class CommandChannel;
class HidDevice;
class RecordDisplay;
class SystemLog;

// The single handler of all input reports: report 1 goes to the axis display; a report 65 is
// processed only when its request is pending (or it is unsolicited, ID 255), then shown, dumped
// and acknowledged. An error on the way (a dump that cannot be written, an apply that fails)
// never skips the acknowledgement and never stops the reports: its text goes to the status line.
class ReportHandler {
public:
    ReportHandler(CommandChannel& channel, RecordDisplay& display, SystemLog& log);

    // Set when the window begins to close: every report is ignored from then on.
    bool Closing = false;

    void HIDCtlDeviceData(HidDevice* device, quint8 reportId, const quint8* data, quint16 size);

private:
    void dispatch(quint8 recordType, ByteView payload);
    template <typename Record>
    void dumpIfEnabled(const Record& record);

    CommandChannel& channel_;
    RecordDisplay& display_;
    SystemLog& log_;
    bool dumpFailureShown_ = false;
};

}  // namespace karvo
