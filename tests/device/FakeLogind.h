#pragma once

#include <QDBusContext>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QStringList>

// A stand-in for systemd-logind's manager object, exported on a private bus. Inhibit hands out
// the write end of a fresh pipe and keeps the read end, so the test sees the lock released when
// the read end reaches end-of-file.
class FakeLogind : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLogind(QObject* parent = nullptr);
    ~FakeLogind() override;

    bool refuseInhibit = false;
    QList<QStringList> inhibitCalls;  // what, who, why, mode of each call

    int locksHandedOut() const { return static_cast<int>(lockReadEnds_.size()); }
    // True once every copy of the lock's write end has been closed.
    bool lockReleased(int index) const;
    void reset();

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode);

signals:
    void PrepareForSleep(bool start);
    void PrepareForShutdown(bool start);

private:
    QList<int> lockReadEnds_;
};
