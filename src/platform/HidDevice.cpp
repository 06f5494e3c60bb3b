#include "HidDevice.h"

#include "GuiHandOff.h"

namespace karvo {

HidDevice::HidDevice(HidDeviceInfo info, quint64 serial) : info_(std::move(info)), serial_(serial) {}

HidDevice::~HidDevice() {
    // The controller stops readers before it lets go of a device; this is the last guard.
    if (reader_.joinable()) {
        stopReader_ = true;
        if (handOff_) handOff_->cancel();
        if (channel_) channel_->interruptRead();
        reader_.join();
    }
}

bool HidDevice::write(const quint8* data, int length, QString* error) {
    if (!channel_) {
        if (error) *error = QStringLiteral("the device is not open for reading and writing");
        return false;
    }
    return channel_->write(data, length, error);
}

}  // namespace karvo
