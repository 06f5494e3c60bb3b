#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <memory>

namespace karvo {

// What a backend knows about one HID device node without opening it.
struct HidDeviceInfo {
    QString path;             // the node: "/dev/hidraw3", "sim:wheel-1", ...
    QString instanceId;       // changes when another device takes over the same node
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString productName;      // empty when it cannot be read
    int inputReportLength = 0;   // longest input report, report-ID byte included
    int outputReportLength = 0;  // longest output report, report-ID byte included
};

// An opened device node, owned by the HID controller.
// read() runs on the device's reader thread while write() runs on the GUI thread, concurrently.
class HidChannel {
public:
    enum class ReadResult { Data, Timeout, Gone };

    virtual ~HidChannel() = default;

    // Synchronous write of one output report. False, with a text, when the write failed.
    virtual bool write(const quint8* data, int length, QString* error) = 0;

    // Waits at most timeoutMs for one input report and copies it into buffer (the caller
    // zero-fills it). Gone means the device has been unplugged: the reader ends.
    virtual ReadResult read(quint8* buffer, int capacity, int timeoutMs, int* bytesRead) = 0;

    // Waits at most timeoutMs until a report can be read without waiting, and reads nothing:
    // Data when one is there, Timeout when none came or interruptRead() was called, Gone when
    // the device has been unplugged. The reader waits here for the next report while the
    // report before is still being handled. Backends that cannot tell say Data at once; their
    // read() does the waiting.
    virtual ReadResult waitForInput(int timeoutMs) {
        static_cast<void>(timeoutMs);
        return ReadResult::Data;
    }

    // Makes a read or a waitForInput that is waiting return Timeout soon; called from the GUI
    // thread at check-in.
    virtual void interruptRead() {}
};

// The system side of the HID controller: lists device nodes and opens them.
class HidBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~HidBackend() override = default;

    // The devices present right now, in a stable order.
    virtual QList<HidDeviceInfo> scan() = 0;

    // Opens a node for reading and writing; nullptr (and a text) when that is refused.
    virtual std::unique_ptr<HidChannel> open(const QString& path, QString* error) = 0;

signals:
    // The system says that device nodes have been added or removed.
    void devicesChanged();
};

}  // namespace karvo
