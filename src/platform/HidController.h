#pragma once

#include "HidBackend.h"
#include "HidDevice.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace karvo {

// The HID device controller: a list of the machine's HID devices (present and departed),
// enumeration with a per-device callback, check-out and check-in, and one reader thread per
// checked-out device that hands each input report to the GUI thread and waits for the handler.
class HidController : public QObject {
    Q_OBJECT
public:
    using EnumerateCallback = std::function<bool(HidDevice* device, int index)>;
    using InputReportHandler =
        std::function<void(HidDevice* device, quint8 reportId, const quint8* data, quint16 size)>;

    explicit HidController(std::unique_ptr<HidBackend> backend, QObject* parent = nullptr);
    ~HidController() override;

    // Refreshes the list, then calls back for each present device in list order, synchronously,
    // until a callback returns false. Returns the number of devices visited.
    int enumerate(const EnumerateCallback& callback);

    // Sets device to nullptr first; hands out the device at index unless it is checked out
    // already. A device that cannot be opened for reading and writing is still handed out,
    // without access and without a reader.
    bool checkOut(HidDevice*& device, int index);

    // Stops the device's reader (never waiting for the GUI thread), closes the node, makes the
    // device available again (or disposes of it once departed) and sets device to nullptr.
    void checkIn(HidDevice*& device);

    void setInputReportHandler(InputReportHandler handler) { handler_ = std::move(handler); }

    // Stops every reader; reports handed over afterwards are dropped. Used at teardown.
    void stopAllReaders();

    // Raises deviceChange() once the event loop runs, as the system's first notification does.
    void postInitialDeviceChange();

    int deviceCount() const { return static_cast<int>(devices_.size()); }
    HidBackend& backend() { return *backend_; }

signals:
    // Device nodes have changed (or the initial notification after start-up).
    void deviceChange();

private:
    void refreshList();
    void startReader(HidDevice& device);
    void stopReader(HidDevice& device);
    void readerLoop(HidDevice* device);
    void deliver(quint64 serial, const QByteArray& report, int bytesRead);
    void markDeparted(quint64 serial);
    HidDevice* findBySerial(quint64 serial) const;

    std::unique_ptr<HidBackend> backend_;
    std::vector<std::unique_ptr<HidDevice>> devices_;
    InputReportHandler handler_;
    quint64 nextSerial_ = 1;
    int enumerationDepth_ = 0;
    bool readersStopped_ = false;
};

}  // namespace karvo
