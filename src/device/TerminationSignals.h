#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

namespace karvo {

// Turns SIGTERM and SIGHUP (sent at log-out and shutdown) into a Qt signal on the thread that
// created this object. The signal handler only writes the signal number into a socket pair;
// the read end sits in the event loop, so nothing but that one write happens in signal context.
// One instance at a time; the previous handlers come back when it is destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the handlers could not be installed (another instance holds them, or the
    // socket pair could not be made); the program then simply ends on these signals.
    bool isInstalled() const { return installed_; }

signals:
    void terminationRequested(int signalNumber);

private:
    void readPendingSignals();

    int readFd_ = -1;
    int writeFd_ = -1;
    bool installed_ = false;
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previousTerm_ {};
    struct sigaction previousHup_ {};
};

}  // namespace karvo
