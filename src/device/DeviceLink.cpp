#include "DeviceLink.h"

#include "HidController.h"
#include "KarvoError.h"
#include "LinkHost.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDevices, "karvo.devices", QtWarningMsg)

namespace karvo {

namespace {
const QString kNoAccessHint = QStringLiteral(
    "The wheel base cannot be opened for reading and writing. Install the udev rule "
    "70-karvo-wheel.rules into /etc/udev/rules.d (see the README), then plug the wheel base "
    "in again.");
}

DeviceLink::DeviceLink(HidController& hid, LinkHost& host, QObject* parent)
    : QObject(parent), hid_(hid), host_(host) {}

void DeviceLink::HIDCtlDeviceChange() {
    if (!Enumerating) runPass();
}

void DeviceLink::runPass() {
    connectedThisPass_ = false;
    hid_.enumerate([this](HidDevice* device, int index) { return HIDCtlEnumerate(device, index); });
    if (!connectedThisPass_) dropDevice();
}

bool DeviceLink::HIDCtlEnumerate(HidDevice* device, int index) {
    Enumerating = true;
    // One debug line per visited device: the vendor ID in decimal, then the product name.
    qCDebug(lcDevices).noquote() << QString::number(device->vendorId()) + device->productName();
    if (device->vendorId() == kWheelBaseVendorId) {
        markDown();
        try {
            connectionSteps(index);
        } catch (const std::exception& error) {
            host_.SetSysLog(errorText(error));
        }
    }
    Enumerating = false;
    return true;
}

void DeviceLink::connectionSteps(int index) {
    // The held device is closed and checked out again, also when it is the one visited, so
    // its reader restarts.
    if (CurrentDevice) hid_.checkIn(CurrentDevice);
    hid_.checkOut(CurrentDevice, index);
    if (!CurrentDevice) return;
    connectedThisPass_ = true;
    host_.setLinkText(kLinkConnected);
    host_.SetSysLog(QStringLiteral("Device found and connected."));
    if (!CurrentDevice->readWriteAccess()) host_.SetSysLog(kNoAccessHint);
    setReady(true);
    const bool first = Startup;
    host_.deviceConnected(first);
    if (first) Startup = false;
}

void DeviceLink::DevMonTimer() {
    if (host_.linkText() == kLinkDisconnected && !Enumerating) {
        if (CurrentDevice) hid_.checkIn(CurrentDevice);
    }
    if (!CurrentDevice && !Enumerating) runPass();
}

void DeviceLink::dropDevice() {
    if (CurrentDevice) hid_.checkIn(CurrentDevice);
    markDown();
}

void DeviceLink::markDown() {
    host_.setLinkText(kLinkDisconnected);
    setReady(false);
}

void DeviceLink::setReady(bool ready) {
    if (Ready == ready) return;
    Ready = ready;
    emit readyChanged(ready);
}

}  // namespace karvo
