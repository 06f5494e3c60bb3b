#include "SimulatedHidChannel.h"

#include <algorithm>
#include <cstring>

#include "SimulatedPlug.h"
#include "WheelBaseFirmware.h"

namespace karvo {

SimulatedHidChannel::SimulatedHidChannel(std::shared_ptr<WheelBaseFirmware> firmware,
                                         std::shared_ptr<SimulatedPlug> plug)
    : firmware_(std::move(firmware)), plug_(std::move(plug)) {}

bool SimulatedHidChannel::write(const quint8* data, int length, QString* error) {
    if (plug_->isPulled()) {
        if (error)
            *error = QStringLiteral("the device has been unplugged");
        return false;
    }
    if (!data || length < 0) {
        if (error)
            *error = QStringLiteral("no report to write");
        return false;
    }
    // Reports of any length are passed on: the firmware decides what it makes of them.
    if (firmware_)
        firmware_->receiveOutputReport(ByteView(data, static_cast<size_t>(length)));
    return true;
}

HidChannel::ReadResult SimulatedHidChannel::read(quint8* buffer, int capacity, int timeoutMs,
                                                 int* bytesRead) {
    if (bytesRead)
        *bytesRead = 0;
    if (plug_->isPulled())
        return ReadResult::Gone;
    if (!firmware_)
        return plug_->waitForPull(timeoutMs) ? ReadResult::Gone : ReadResult::Timeout;

    const std::optional<QByteArray> report = firmware_->takeInputReport(timeoutMs);
    if (plug_->isPulled())
        return ReadResult::Gone;
    if (!report)
        return ReadResult::Timeout;
    const int length = std::min(static_cast<int>(report->size()), std::max(0, capacity));
    if (length > 0 && buffer)
        std::memcpy(buffer, report->constData(), static_cast<size_t>(length));
    if (bytesRead)
        *bytesRead = length;
    return ReadResult::Data;
}

HidChannel::ReadResult SimulatedHidChannel::waitForInput(int timeoutMs) {
    if (plug_->isPulled())
        return ReadResult::Gone;
    if (!firmware_)
        return plug_->waitForPull(timeoutMs) ? ReadResult::Gone : ReadResult::Timeout;
    const bool ready = firmware_->waitForInputReport(timeoutMs);
    if (plug_->isPulled())
        return ReadResult::Gone;
    return ready ? ReadResult::Data : ReadResult::Timeout;
}

void SimulatedHidChannel::interruptRead() {
    if (firmware_)
        firmware_->interrupt();
    else
        plug_->interrupt();
}

}  // namespace karvo
