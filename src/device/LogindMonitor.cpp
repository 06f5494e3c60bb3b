#include "LogindMonitor.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QLoggingCategory>
#include <cerrno>

#include "PowerEvents.h"

Q_LOGGING_CATEGORY(lcPower, "karvo.power", QtWarningMsg)

namespace karvo {

namespace {
const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");

// Runs a function when the scope is left, also by an exception.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F f_;
};
}  // namespace

LogindMonitor::LogindMonitor(PowerEvents& events, std::function<void(const QString&)> sysLog,
                             QObject* parent)
    : QObject(parent), events_(events), sysLog_(std::move(sysLog)) {}

LogindMonitor::~LogindMonitor() {
    releaseInhibitor();
}

bool LogindMonitor::start() {
    if (following_)
        return true;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCInfo(lcPower) << "system bus:" << bus.lastError().message();
        if (sysLog_)
            sysLog_(QStringLiteral("Power events are not followed: no system bus"));
        return false;
    }
    // QtDBus binds D-Bus signals to slots by signature only.
    const bool sleepBound =
        bus.connect(kLogindService, kLogindPath, kLogindManager, QStringLiteral("PrepareForSleep"),
                    this, SLOT(onPrepareForSleep(bool)));
    const bool shutdownBound =
        bus.connect(kLogindService, kLogindPath, kLogindManager,
                    QStringLiteral("PrepareForShutdown"), this, SLOT(onPrepareForShutdown(bool)));
    if (!sleepBound || !shutdownBound)
        qCWarning(lcPower) << "could not subscribe to logind:" << bus.lastError().message();
    following_ = true;
    takeInhibitor();
    return true;
}

void LogindMonitor::onPrepareForSleep(bool starting) {
    if (starting) {
        sleeping_ = true;
        // Whatever happens in the handler, the sleep must not wait for us once it has run.
        const ScopeExit release([this] { releaseInhibitor(); });
        events_.WMPOWERBROADCAST(PowerEvent::Suspend);
    } else {
        sleeping_ = false;
        const ScopeExit retake([this] { takeInhibitor(); });
        events_.WMPOWERBROADCAST(PowerEvent::ResumeSuspend);
    }
}

void LogindMonitor::onPrepareForShutdown(bool starting) {
    // false means a shutdown was called off; by then this program has already ended.
    if (starting)
        sessionEndRequested();
}

void LogindMonitor::sessionEndRequested() {
    events_.WMQUERYENDSESSION();
    events_.WMENDSESSION();
}

void LogindMonitor::takeInhibitor() {
    if (!following_ || inhibitorFd_ >= 0 || inhibitPending_)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager,
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Karvo Wheel Configuration")
         << QStringLiteral("Releasing the wheel base before sleep") << QStringLiteral("delay");
    // Asynchronous: a slow or absent logind never blocks the window.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    inhibitPending_ = true;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &LogindMonitor::inhibitorReplied);
}

void LogindMonitor::inhibitorReplied(QDBusPendingCallWatcher* watcher) {
    inhibitPending_ = false;
    watcher->deleteLater();
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
    if (reply.isError()) {
        qCInfo(lcPower) << "sleep delay lock refused:" << reply.error().message();
        return;
    }
    // A sleep that began while the request was under way is not to be held up.
    if (sleeping_)
        return;
    const int fd = reply.value().fileDescriptor();
    if (fd < 0) {
        qCInfo(lcPower) << "sleep delay lock came without a file descriptor";
        return;
    }
    // Our own copy, so that closing it is what lets the sleep go on.
    inhibitorFd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (inhibitorFd_ < 0)
        qCInfo(lcPower) << "sleep delay lock could not be kept, errno" << errno;
}

void LogindMonitor::releaseInhibitor() {
    if (inhibitorFd_ < 0)
        return;
    ::close(inhibitorFd_);
    inhibitorFd_ = -1;
}

}  // namespace karvo
