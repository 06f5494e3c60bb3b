#include "FakeLogind.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QDBusError>

FakeLogind::FakeLogind(QObject* parent) : QObject(parent) {}

FakeLogind::~FakeLogind() {
    reset();
}

void FakeLogind::reset() {
    for (const int fd : lockReadEnds_)
        ::close(fd);
    lockReadEnds_.clear();
    inhibitCalls.clear();
    refuseInhibit = false;
}

QDBusUnixFileDescriptor FakeLogind::Inhibit(const QString& what, const QString& who,
                                            const QString& why, const QString& mode) {
    inhibitCalls.append({what, who, why, mode});
    if (refuseInhibit) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Inhibitor locks are not allowed"));
        return {};
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        sendErrorReply(QDBusError::Failed, QStringLiteral("no pipe"));
        return {};
    }
    lockReadEnds_.append(fds[0]);
    QDBusUnixFileDescriptor writeEnd;
    writeEnd.giveFileDescriptor(fds[1]);  // no copy stays behind here once the reply is sent
    return writeEnd;
}

bool FakeLogind::lockReleased(int index) const {
    if (index < 0 || index >= lockReadEnds_.size())
        return false;
    // Nothing is ever written into the pipe: readable means end-of-file.
    pollfd p{lockReadEnds_.at(index), POLLIN, 0};
    if (::poll(&p, 1, 0) != 1)
        return false;
    char byte;
    return ::read(p.fd, &byte, 1) == 0;
}
