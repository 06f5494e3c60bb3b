#include "TerminationSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QList>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

Q_LOGGING_CATEGORY(lcSignals, "karvo.signals", QtWarningMsg)

namespace karvo {

namespace {

// The write end as seen by the signal handler; -1 while no instance is installed.
// A lock-free atomic is safe to read in signal context.
std::atomic<int> signalWriteFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void writeSignalToPipe(int signalNumber) {
    const int savedErrno = errno;
    const int fd = signalWriteFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe drops the byte: enough of them are already waiting to end the program.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

bool installHandler(int signalNumber, struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = writeSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(signalNumber, &action, previous) == 0;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (signalWriteFd.load() >= 0) {
        qCWarning(lcSignals) << "termination signals are already followed by another instance";
        return;
    }
    int fds[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        qCWarning(lcSignals) << "no socket pair for termination signals, errno" << errno;
        return;
    }
    readFd_ = fds[0];
    writeFd_ = fds[1];
    signalWriteFd.store(writeFd_);

    notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPendingSignals);

    const bool termInstalled = installHandler(SIGTERM, &previousTerm_);
    const bool hupInstalled = installHandler(SIGHUP, &previousHup_);
    installed_ = termInstalled && hupInstalled;
    if (!installed_) {
        qCWarning(lcSignals) << "could not install the SIGTERM/SIGHUP handlers, errno" << errno;
        if (termInstalled)
            ::sigaction(SIGTERM, &previousTerm_, nullptr);
        if (hupInstalled)
            ::sigaction(SIGHUP, &previousHup_, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    if (installed_) {
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
        ::sigaction(SIGHUP, &previousHup_, nullptr);
    }
    // Only the owner of the write end clears it, so a refused second instance leaves the
    // first one working.
    if (writeFd_ >= 0) {
        signalWriteFd.store(-1);
        delete notifier_;
        notifier_ = nullptr;
        ::close(writeFd_);
        ::close(readFd_);
    }
}

void TerminationSignals::readPendingSignals() {
    QList<int> received;
    unsigned char buffer[16];
    for (;;) {
        const ssize_t count = ::read(readFd_, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;  // EAGAIN: drained
        for (ssize_t i = 0; i < count; ++i)
            received.append(static_cast<int>(buffer[i]));
    }
    // A receiver may delete this object; the pipe has been drained before anyone is told.
    const QPointer<TerminationSignals> self(this);
    for (const int signalNumber : received) {
        if (!self)
            return;
        emit terminationRequested(signalNumber);
    }
}

}  // namespace karvo
