#include "SimulatedHidBackend.h"

#include <QMetaObject>

#include "SimulatedHidChannel.h"
#include "SimulatedPlug.h"
#include "WheelBaseFirmware.h"

namespace karvo {

namespace {
constexpr int kOtherDeviceReportLength = 8;
}  // namespace

SimulatedHidBackend::SimulatedHidBackend(QObject* parent) : HidBackend(parent) {}

SimulatedHidBackend::~SimulatedHidBackend() {
    // Channels may outlive the backend; they must not wait for devices that no longer exist.
    for (const Device& device : devices_)
        device.plug->pull();
}

QString SimulatedHidBackend::plugWheelBase(std::shared_ptr<WheelBaseFirmware> firmware) {
    Device device;
    device.info.vendorId = kWheelBaseVendorId;
    device.info.productId = kWheelBaseProductId;
    device.info.productName = QString::fromLatin1(kWheelBaseProductName);
    device.info.inputReportLength = WheelBaseFirmware::kInputReportLength;
    device.info.outputReportLength = WheelBaseFirmware::kOutputReportLength;
    device.firmware = firmware ? std::move(firmware) : std::make_shared<WheelBaseFirmware>();
    return plug(std::move(device), QStringLiteral("wheel"));
}

QString SimulatedHidBackend::plugDevice(quint16 vendorId, const QString& productName) {
    Device device;
    device.info.vendorId = vendorId;
    device.info.productId = 0x0001;
    device.info.productName = productName;
    device.info.inputReportLength = kOtherDeviceReportLength;
    device.info.outputReportLength = kOtherDeviceReportLength;
    return plug(std::move(device), QStringLiteral("hid"));
}

QString SimulatedHidBackend::plug(Device device, const QString& kind) {
    device.info.path = QStringLiteral("sim:%1-%2").arg(kind).arg(nextNumber_++);
    device.plug = std::make_shared<SimulatedPlug>();
    const QString path = device.info.path;
    devices_.append(std::move(device));
    notify();
    return path;
}

void SimulatedHidBackend::unplug(const QString& path) {
    for (qsizetype i = 0; i < devices_.size(); ++i) {
        if (devices_[i].info.path != path)
            continue;
        const Device device = devices_.takeAt(i);
        device.plug->pull();
        if (device.firmware)
            device.firmware->interrupt();  // a read waiting there sees Gone
        notify();
        return;
    }
}

void SimulatedHidBackend::setAccessDenied(const QString& path, bool denied) {
    if (Device* device = find(path))
        device->accessDenied = denied;
}

void SimulatedHidBackend::setNotifications(bool on) {
    notifications_ = on;
}

void SimulatedHidBackend::notify() {
    if (!notifications_)
        return;
    QMetaObject::invokeMethod(
        this, [this] { emit devicesChanged(); }, Qt::QueuedConnection);
}

std::shared_ptr<WheelBaseFirmware> SimulatedHidBackend::firmware(const QString& path) const {
    const Device* device = find(path);
    return device ? device->firmware : nullptr;
}

QList<HidDeviceInfo> SimulatedHidBackend::scan() {
    QList<HidDeviceInfo> infos;
    infos.reserve(devices_.size());
    for (const Device& device : devices_)
        infos.append(device.info);
    return infos;
}

std::unique_ptr<HidChannel> SimulatedHidBackend::open(const QString& path, QString* error) {
    const Device* device = find(path);
    if (!device) {
        if (error)
            *error = QStringLiteral("%1: no such device").arg(path);
        return nullptr;
    }
    if (device->accessDenied) {
        if (error)
            *error = QStringLiteral("%1: permission denied").arg(path);
        return nullptr;
    }
    return std::make_unique<SimulatedHidChannel>(device->firmware, device->plug);
}

SimulatedHidBackend::Device* SimulatedHidBackend::find(const QString& path) {
    for (Device& device : devices_)
        if (device.info.path == path)
            return &device;
    return nullptr;
}

const SimulatedHidBackend::Device* SimulatedHidBackend::find(const QString& path) const {
    for (const Device& device : devices_)
        if (device.info.path == path)
            return &device;
    return nullptr;
}

}  // namespace karvo
