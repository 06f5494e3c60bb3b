#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

#include <functional>

namespace karvo {

// Where the status line and the system log view live (the main window).
class LogView {
public:
    virtual ~LogView() = default;
    virtual void setStatusText(const QString& text) = 0;  // status panel 0
    virtual void appendLogLine(const QString& line) = 0;  // last line of the log view
};

// The program's two ways of reporting outside message boxes.
class SystemLog {
public:
    using Clock = std::function<QTime()>;

    explicit SystemLog(LogView& view);

    // Status panel 0 and the log view get "[time] msg"; no file is written.
    void SetAppStatus(const QString& msg);

    // The log view gets "[time] msg", then "application.log" gets the line and CR LF. A failed
    // file write never reaches the caller: its text goes to the status line once, and again
    // only after a write has succeeded in between.
    void SetSysLog(const QString& msg);

    void setClock(Clock clock) { clock_ = std::move(clock); }
    void setLocale(const QLocale& locale) { locale_ = locale; }
    void setLogFilePath(const QString& path) { logFilePath_ = path; }

private:
    QString line(const QString& msg) const;

    LogView& view_;
    Clock clock_;
    QLocale locale_;
    QString logFilePath_ = QStringLiteral("application.log");
    bool failureShown_ = false;
};

}  // namespace karvo
