#include "SystemLog.h"

#include "AppendLogText.h"
#include "KarvoError.h"
#include "LogLine.h"

namespace karvo {

SystemLog::SystemLog(LogView& view)
    : view_(view), clock_([] { return QTime::currentTime(); }), locale_(QLocale::system()) {}

QString SystemLog::line(const QString& msg) const {
    return formatLogLine(clock_(), msg, locale_);
}

void SystemLog::SetAppStatus(const QString& msg) {
    view_.setStatusText(line(msg));
    // The view's line takes its own reading of the clock.
    view_.appendLogLine(line(msg));
}

void SystemLog::SetSysLog(const QString& msg) {
    const QString logLine = line(msg);
    // The view gets the line first, so it is kept even when the file cannot be written.
    view_.appendLogLine(logLine);
    try {
        AppendLogText(logFilePath_, logLine + QStringLiteral("\r\n"));
        failureShown_ = false;
    } catch (const KarvoError& error) {
        // Callers run on every path of the program, the input-report handler included, and must
        // not be cut short by a log file. The user hears of a broken log file once, not at every
        // line, and again only if it breaks anew after working in between.
        if (!failureShown_) {
            failureShown_ = true;
            SetAppStatus(error.message());
        }
    }
}

}  // namespace karvo
