#pragma once

#include "CommandPacket.h"
#include "NameValueList.h"
#include "Records.h"

#include <QString>

#include <functional>

namespace karvo {

class DeviceLink;
class SystemLog;

// Builds and transmits every command packet. Each builder first tests the current device and
// returns silently without one; only Send (reached through SendAck) reports a missing device.
// Read, load and save requests wait for Ready while the window goes on handling events, give up
// after a time-out, and mark their request ID pending in RequestQ.
class CommandChannel {
public:
    using ProfileIndex = std::function<int()>;       // the selected entry of cProfiles
    using Acknowledged = std::function<void(quint8)>;  // runs after each SendAck

    CommandChannel(DeviceLink& link, SystemLog& log, ProfileIndex profileIndex);

    // Pending requests: name = request ID in decimal, "1" pending, "0" acknowledged.
    NameValueList RequestQ;

    void Send(const quint8* cmdBytes, const QString& rqType, quint8 len);
    void Recv(quint8 profile, quint8 reqTyp, quint8 reqObj, quint8 reqID, const QString& identifier);
    void Load(quint8 profile);
    void Save(quint8 profile);
    void SendAck(quint8 requestId);

    void RequestFirmware();
    void RequestJoystickConfig();
    void RequestMotorConfig();
    void btnCalibrateClick();
    void btnCenterizeClick();

    // Configuration writes: the record is built from the editors only when a device is there;
    // a builder that throws (a text that is not a number) sends nothing.
    void SendWheelBaseConfig(const std::function<TWheelBaseConfig()>& build);
    void SendUserEffectConfig(const std::function<TUserEffectConfig()>& build);
    void SendJoystickConfig(const std::function<TJoystickConfig()>& build);
    void SendMotorConfig(const std::function<TMotorConfig()>& build);

    void setAcknowledgedHandler(Acknowledged handler) { acknowledged_ = std::move(handler); }
    void setReadyTimeout(int milliseconds) { readyTimeoutMs_ = milliseconds; }

    quint8 selectedSlot() const;

private:
    void sendPacket(const TCommandPacket& packet, const QString& identifier);
    // Sends a packet that waits for Ready and marks its request ID pending afterwards.
    void sendRequest(const TCommandPacket& packet, const QString& identifier);
    bool waitForReady();

    DeviceLink& link_;
    SystemLog& log_;
    ProfileIndex profileIndex_;
    Acknowledged acknowledged_;
    int readyTimeoutMs_ = 3000;
};

}  // namespace karvo
