#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QDBusPendingCallWatcher;

namespace karvo {

class PowerEvents;

// Follows systemd-logind on the system bus and hands its announcements to PowerEvents:
// PrepareForSleep(true) is a suspend (code 4), PrepareForSleep(false) a resume (code 7), and
// PrepareForShutdown(true) the end of the session (the query, then the end itself).
//
// While the machine is awake the monitor holds a "delay" sleep inhibitor, so a suspend waits
// until the wheel base has been let go; the lock is closed as soon as PowerEvents reports the
// suspend handled and taken again once the resume has been handled. logind refusing the lock
// is not an error: the events still arrive, the sleep just does not wait for us.
class LogindMonitor : public QObject {
    Q_OBJECT
public:
    LogindMonitor(PowerEvents& events, std::function<void(const QString&)> sysLog,
                  QObject* parent = nullptr);
    ~LogindMonitor() override;

    LogindMonitor(const LogindMonitor&) = delete;
    LogindMonitor& operator=(const LogindMonitor&) = delete;

    // Connects to the system bus (DBUS_SYSTEM_BUS_ADDRESS when set) and subscribes to logind.
    // Without a bus: one line in the system log, false, and the program runs on unchanged.
    bool start();

    bool isFollowing() const { return following_; }
    bool holdsInhibitor() const { return inhibitorFd_ >= 0; }

public slots:
    // The desktop session is about to end (logind's shutdown announcement, or the session
    // manager's commit-data request that the window forwards here): the end-of-session query
    // is answered, then the session end is handled, which terminates the program.
    void sessionEndRequested();

private slots:
    // Bound by name to logind's signals.
    void onPrepareForSleep(bool starting);
    void onPrepareForShutdown(bool starting);

private:
    void takeInhibitor();
    void releaseInhibitor();
    void inhibitorReplied(QDBusPendingCallWatcher* watcher);

    PowerEvents& events_;
    std::function<void(const QString&)> sysLog_;
    bool following_ = false;
    bool sleeping_ = false;
    bool inhibitPending_ = false;
    int inhibitorFd_ = -1;
};

}  // namespace karvo
