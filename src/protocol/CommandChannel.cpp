#include "CommandChannel.h"

#include "DeviceLink.h"
#include "HidDevice.h"
#include "SystemLog.h"

#include <QEventLoop>
#include <QTimer>

namespace karvo {

CommandChannel::CommandChannel(DeviceLink& link, SystemLog& log, ProfileIndex profileIndex)
    : link_(link), log_(log), profileIndex_(std::move(profileIndex)) {}

quint8 CommandChannel::selectedSlot() const { return profileSlot(profileIndex_ ? profileIndex_() : 0); }

void CommandChannel::Send(const quint8* cmdBytes, const QString& rqType, quint8 len) {
    HidDevice* device = link_.CurrentDevice;
    if (!device) {
        log_.SetAppStatus(QStringLiteral("Failed to send data to device"));
        return;
    }
    if (!device->readWriteAccess()) {
        log_.SetSysLog(device->productName() + QStringLiteral(" is not accessible"));
        log_.SetAppStatus(QStringLiteral("Device not accessible"));
    }
    // One whole zero-filled output report; its length is asked of the device for every packet.
    const std::vector<quint8> report = transmitBuffer(cmdBytes, len, device->outputReportLength());
    QString error;
    if (device->write(report.data(), static_cast<int>(report.size()), &error)) {
        log_.SetAppStatus(QStringLiteral("[") + rqType + QStringLiteral("]Data successfully sent (") +
                          QString::number(len) + QStringLiteral(") bytes"));
    } else {
        log_.SetAppStatus(QStringLiteral("[") + rqType +
                          QStringLiteral("]Failed to send data to device"));
    }
}

void CommandChannel::sendPacket(const TCommandPacket& packet, const QString& identifier) {
    const std::vector<quint8> bytes = packet.bytes();
    Send(bytes.data(), identifier, packet.length);
}

bool CommandChannel::waitForReady() {
    if (link_.Ready) return true;
    // The window keeps handling events while the request waits; nothing spins.
    QEventLoop loop;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&link_, &DeviceLink::readyChanged, &loop, [&loop](bool ready) {
        if (ready) loop.quit();
    });
    giveUp.start(readyTimeoutMs_);
    loop.exec();
    if (link_.Ready) return true;
    log_.SetAppStatus(QStringLiteral("Device not ready"));
    return false;
}

void CommandChannel::sendRequest(const TCommandPacket& packet, const QString& identifier) {
    if (!link_.CurrentDevice) return;
    if (!waitForReady()) return;
    sendPacket(packet, identifier);
    RequestQ.setValue(QString::number(packet.requestId), QStringLiteral("1"));
}

void CommandChannel::Recv(quint8 profile, quint8 reqTyp, quint8 reqObj, quint8 reqID,
                          const QString& identifier) {
    sendRequest(readRequestPacket(profile, reqTyp, reqObj, reqID), identifier);
}

void CommandChannel::Load(quint8 profile) {
    sendRequest(loadPacket(profile), QStringLiteral("Load-") + QString::number(profile));
}

void CommandChannel::Save(quint8 profile) {
    sendRequest(savePacket(profile), QStringLiteral("Save-") + QString::number(profile));
}

void CommandChannel::SendAck(quint8 requestId) {
    // No device test here: Send reports a missing device, and the entry is marked done anyway.
    sendPacket(ackPacket(selectedSlot(), requestId), QStringLiteral("Ack"));
    RequestQ.setValue(QString::number(requestId), QStringLiteral("0"));
    if (acknowledged_) acknowledged_(requestId);
}

void CommandChannel::RequestFirmware() {
    Recv(kHardwareSlot, RecordType::FirmwareVersion, 255, RequestId::Firmware,
         QStringLiteral("Firmware"));
}

void CommandChannel::RequestJoystickConfig() {
    Recv(kHardwareSlot, RecordType::JoystickConfig, 1, RequestId::Joystick, QStringLiteral("LoadJoy"));
}

void CommandChannel::RequestMotorConfig() {
    Recv(kHardwareSlot, RecordType::MotorConfig, 2, RequestId::Motor, QStringLiteral("LoadMotor"));
}

void CommandChannel::btnCalibrateClick() {
    if (!link_.CurrentDevice) return;
    sendPacket(calibratePacket(selectedSlot()), QStringLiteral("Calibrate"));
}

void CommandChannel::btnCenterizeClick() {
    if (!link_.CurrentDevice) return;
    sendPacket(centrePacket(selectedSlot()), QStringLiteral("Centerize"));
}

void CommandChannel::SendWheelBaseConfig(const std::function<TWheelBaseConfig()>& build) {
    if (!link_.CurrentDevice) return;
    const TWheelBaseConfig record = build();
    sendPacket(wheelBaseWritePacket(selectedSlot(), record), QStringLiteral("Wheelbase"));
}

void CommandChannel::SendUserEffectConfig(const std::function<TUserEffectConfig()>& build) {
    if (!link_.CurrentDevice) return;
    const TUserEffectConfig record = build();
    sendPacket(userEffectWritePacket(selectedSlot(), record), QStringLiteral("User effect"));
}

void CommandChannel::SendJoystickConfig(const std::function<TJoystickConfig()>& build) {
    if (!link_.CurrentDevice) return;
    const TJoystickConfig record = build();
    sendPacket(joystickWritePacket(selectedSlot(), record), QStringLiteral("Joystick"));
}

void CommandChannel::SendMotorConfig(const std::function<TMotorConfig()>& build) {
    if (!link_.CurrentDevice) return;
    const TMotorConfig record = build();
    sendPacket(motorWritePacket(selectedSlot(), record), QStringLiteral("Motor"));
}

}  // namespace karvo
