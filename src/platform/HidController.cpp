#include "HidController.h"

#include "GuiHandOff.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <vector>

Q_LOGGING_CATEGORY(lcHid, "karvo.hid", QtWarningMsg)

namespace karvo {

namespace {
constexpr int kReadSliceMs = 100;
constexpr int kFallbackInputLength = 64;  // a descriptor we could not parse still gets read
// A report that is there this soon was already queued: the device streams faster than the
// reports are handled. The reader then watches the handler return instead of sleeping (two
// thread wake-ups less per report), for at most kStreamWatch. A device that sends at a steady
// pace makes the reader wait for every report, and it sleeps there.
// A single queued report is a paced stream catching up after the reader came late; watching
// for it would only spin while the GUI thread wakes up. Only a run of them is a fast stream.
constexpr std::chrono::microseconds kQueuedRead(50);
constexpr std::chrono::microseconds kStreamWatch(200);
constexpr int kQueuedRunToWatch = 3;
}  // namespace

HidController::HidController(std::unique_ptr<HidBackend> backend, QObject* parent)
    : QObject(parent), backend_(std::move(backend)) {
    connect(backend_.get(), &HidBackend::devicesChanged, this, &HidController::deviceChange);
}

HidController::~HidController() { stopAllReaders(); }

void HidController::postInitialDeviceChange() {
    QTimer::singleShot(0, this, [this] { emit deviceChange(); });
}

void HidController::refreshList() {
    // Devices that have gone and been checked in are dropped here, never during a pass, so the
    // indexes that a pass hands out stay valid while it runs.
    if (enumerationDepth_ == 0) {
        std::erase_if(devices_, [](const std::unique_ptr<HidDevice>& d) {
            return d->departed_ && !d->checkedOut_;
        });
    }
    const QList<HidDeviceInfo> present = backend_->scan();
    for (auto& device : devices_) {
        if (device->departed_) continue;
        const bool stillThere = std::any_of(present.begin(), present.end(), [&](const auto& info) {
            return info.path == device->info_.path && info.instanceId == device->info_.instanceId;
        });
        if (!stillThere) device->departed_ = true;
    }
    for (const HidDeviceInfo& info : present) {
        const bool known = std::any_of(devices_.begin(), devices_.end(), [&](const auto& d) {
            return !d->departed_ && d->info_.path == info.path &&
                   d->info_.instanceId == info.instanceId;
        });
        if (!known) devices_.push_back(std::unique_ptr<HidDevice>(new HidDevice(info, nextSerial_++)));
    }
}

int HidController::enumerate(const EnumerateCallback& callback) {
    refreshList();
    ++enumerationDepth_;
    int visited = 0;
    // The list can grow during a pass (a nested refresh); only the devices of this pass count.
    const int count = static_cast<int>(devices_.size());
    for (int index = 0; index < count && index < static_cast<int>(devices_.size()); ++index) {
        HidDevice* device = devices_[static_cast<size_t>(index)].get();
        if (device->departed_) continue;
        ++visited;
        if (!callback(device, index)) break;
    }
    --enumerationDepth_;
    return visited;
}

bool HidController::checkOut(HidDevice*& device, int index) {
    device = nullptr;
    if (index < 0 || index >= static_cast<int>(devices_.size())) return false;
    HidDevice& candidate = *devices_[static_cast<size_t>(index)];
    if (candidate.checkedOut_ || candidate.departed_) return false;
    candidate.checkedOut_ = true;
    QString error;
    candidate.channel_ = backend_->open(candidate.info_.path, &error);
    if (candidate.channel_) {
        startReader(candidate);
    } else {
        qCInfo(lcHid) << "opened without read/write access:" << candidate.path() << error;
    }
    device = &candidate;
    return true;
}

void HidController::checkIn(HidDevice*& device) {
    if (!device) return;
    stopReader(*device);
    device->channel_.reset();
    device->checkedOut_ = false;
    device = nullptr;
}

void HidController::stopAllReaders() {
    readersStopped_ = true;
    for (auto& device : devices_) stopReader(*device);
}

void HidController::startReader(HidDevice& device) {
    if (readersStopped_) return;
    if (!device.handOff_) device.handOff_ = std::make_unique<GuiHandOff>(this, GuiHandOff::Cancelled::RunPending);
    device.handOff_->reset();
    device.stopReader_ = false;
    device.reader_ = std::thread(&HidController::readerLoop, this, &device);
}

void HidController::stopReader(HidDevice& device) {
    if (!device.reader_.joinable()) return;
    device.stopReader_ = true;
    device.handOff_->cancel();  // releases a reader that waits for the GUI thread
    if (device.channel_) device.channel_->interruptRead();
    device.reader_.join();
}

void HidController::readerLoop(HidDevice* device) {
    // Runs on the reader thread: touches only the channel, the stop flag and the hand-off.
    using Clock = std::chrono::steady_clock;
    const int length =
        device->info_.inputReportLength > 0 ? device->info_.inputReportLength : kFallbackInputLength;
    std::vector<quint8> buffer(static_cast<size_t>(length));
    const quint64 serial = device->serial_;
    GuiHandOff::Ticket inFlight;  // the report handed over last, until its handler returned
    bool lastReadQueued = false;
    int queuedRun = 0;  // reports in a row that were already there
    while (!device->stopReader_) {
        if (inFlight.isValid()) {
            // The next report is awaited first, and then the handler of the last one, which on
            // a paced stream has long returned: the reader sleeps once per report (the device
            // wakes it) instead of twice (the GUI thread would wake it as well). Nothing is
            // read before the handler has returned.
            const auto waitStart = Clock::now();
            const auto next = device->channel_->waitForInput(kReadSliceMs);
            const bool queued = next == HidChannel::ReadResult::Data && lastReadQueued &&
                                Clock::now() - waitStart < kQueuedRead;
            queuedRun = queued ? queuedRun + 1 : 0;
            if (device->stopReader_) break;
            device->handOff_->wait(inFlight, queuedRun >= kQueuedRunToWatch
                                                 ? kStreamWatch
                                                 : std::chrono::microseconds(0));
            inFlight = {};
            if (device->stopReader_) break;
        }
        std::fill(buffer.begin(), buffer.end(), 0);
        int bytesRead = 0;
        const auto readStart = Clock::now();
        const auto result = device->channel_->read(buffer.data(), length, kReadSliceMs, &bytesRead);
        lastReadQueued = Clock::now() - readStart < kQueuedRead;
        if (device->stopReader_) break;
        if (result == HidChannel::ReadResult::Gone) {
            QMetaObject::invokeMethod(this, [this, serial] { markDeparted(serial); },
                                      Qt::QueuedConnection);
            break;
        }
        if (result != HidChannel::ReadResult::Data || bytesRead <= 0) continue;
        // The report travels as a copy: the handler may outlive this buffer (a check-in
        // cancels a hand-off while its handler is still on the GUI thread's stack).
        QByteArray report(reinterpret_cast<const char*>(buffer.data()), length);
        const int received = std::min(bytesRead, length);
        inFlight = device->handOff_->post(
            [this, serial, report, received] { deliver(serial, report, received); });
    }
}

void HidController::deliver(quint64 serial, const QByteArray& report, int bytesRead) {
    if (readersStopped_ || !handler_) return;
    HidDevice* device = findBySerial(serial);
    if (!device || !device->checkedOut_) return;
    const auto* bytes = reinterpret_cast<const quint8*>(report.constData());
    handler_(device, bytes[0], bytes + 1, static_cast<quint16>(bytesRead - 1));
}

void HidController::markDeparted(quint64 serial) {
    HidDevice* device = findBySerial(serial);
    if (!device) return;
    device->departed_ = true;
    emit deviceChange();
}

HidDevice* HidController::findBySerial(quint64 serial) const {
    for (const auto& device : devices_)
        if (device->serial_ == serial) return device.get();
    return nullptr;
}

}  // namespace karvo
