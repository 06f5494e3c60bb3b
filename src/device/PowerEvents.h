#pragma once

#include <QObject>
#include <QString>

#include <mutex>

namespace karvo {

class DeviceLink;
class ThreadTimer;

// What the power handlers need from the main window.
class PowerHost {
public:
    virtual ~PowerHost() = default;
    virtual void SetSysLog(const QString& msg) = 0;
    // Ends the program without the close handler (the session is ending).
    virtual void terminateApplication() = 0;
};

// Power event codes, numbered as the system's power broadcast numbers them.
namespace PowerEvent {
constexpr quint32 QuerySuspend = 0;
constexpr quint32 QueryStandby = 1;
constexpr quint32 QuerySuspendFailed = 2;
constexpr quint32 QueryStandbyFailed = 3;
constexpr quint32 Suspend = 4;
constexpr quint32 Standby = 5;
constexpr quint32 ResumeCritical = 6;
constexpr quint32 ResumeSuspend = 7;
constexpr quint32 ResumeStandby = 8;
constexpr quint32 ResumeAutomatic = 18;
}  // namespace PowerEvent

// Follows the machine's power state and the end of the session: a suspend lets go of the wheel
// base and stops the watchdog; a resume looks for it again and restarts the watchdog; the end of
// the session ends the program. Every event is logged. Wherever the events come from (logind,
// signals, tests), they arrive here on the GUI thread.
class PowerEvents : public QObject {
    Q_OBJECT
public:
    PowerEvents(DeviceLink& link, ThreadTimer& devMon, PowerHost& host, QObject* parent = nullptr);

    // Held while one power event is handled; re-entrant because a nested event can arrive on
    // the same thread while a resume's pass runs.
    std::recursive_mutex PowerEventLock;

    // Handles one power event code; the result is always 0 (a suspend is never denied).
    int WMPOWERBROADCAST(quint32 code);
    void OnSuspend();
    void OnResume();
    // The session asks whether it may end: always yes (1).
    int WMQUERYENDSESSION();
    // The session ends: logged, then the program terminates. Result 0.
    int WMENDSESSION();

    static QString eventText(quint32 code);

signals:
    void suspendHandled();  // the wheel base has been let go (a sleep delay lock may go now)
    void resumeHandled();

private:
    DeviceLink& link_;
    ThreadTimer& devMon_;
    PowerHost& host_;
};

}  // namespace karvo
