#pragma once

// Command packets: HID output report 20 with an 8-byte header, an optional payload record and
// one checksum byte after a payload.

#include "Records.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <vector>

namespace karvo {

constexpr quint8 kCommandReportId = 20;
constexpr quint8 kResponseReportId = 65;
constexpr quint8 kAxesReportId = 1;
constexpr quint8 kHardwareSlot = 11;

namespace Command {
constexpr quint8 Read = 0;
constexpr quint8 WriteConfig = 1;
constexpr quint8 LoadProfile = 2;
constexpr quint8 SaveProfile = 3;
constexpr quint8 Centre = 5;
constexpr quint8 Calibrate = 6;
constexpr quint8 Acknowledge = 0x90;
}  // namespace Command

namespace RequestId {
constexpr quint8 Firmware = 224;
constexpr quint8 Joystick = 225;
constexpr quint8 Motor = 226;
constexpr quint8 WheelBase = 227;
constexpr quint8 UserEffect = 228;
constexpr quint8 Telemetry = 229;
constexpr quint8 Profile = 254;     // profile load and profile save
constexpr quint8 Unsolicited = 255;  // reports the device sends on its own
}  // namespace RequestId

struct TCommandPacket {
    static constexpr int kHeaderSize = 8;
    static constexpr int kMaxPayload = 48;
    static constexpr int kMaxSize = kHeaderSize + kMaxPayload + 1;

    quint8 reportId = kCommandReportId;
    quint8 length = kHeaderSize + 1;
    quint8 slot = 0;
    quint8 command = 0;
    quint8 objectType = 0;
    quint8 requestId = 0;
    quint8 objectIndex = 0;
    quint8 payloadLength = 0;
    std::array<quint8, kMaxPayload> payload{};
    quint8 checksum = 0;

    // The first `length` bytes of the packet, as they go on the wire.
    std::vector<quint8> bytes() const;
    bool operator==(const TCommandPacket&) const = default;
};

// The argument XOR 0x69.
quint8 PacketChecksum(quint8 firstPayloadByte);

// Slot of the selected profile: list index + 6 in 8 bits (index -1 gives 5).
quint8 profileSlot(int profileIndex);

// The packet catalogue. Each returns the packet with every header byte set as catalogued.
TCommandPacket calibratePacket(quint8 slot);
TCommandPacket centrePacket(quint8 slot);
TCommandPacket readRequestPacket(quint8 slot, quint8 objectType, quint8 objectIndex, quint8 requestId);
TCommandPacket loadPacket(quint8 slot);
TCommandPacket savePacket(quint8 slot);
TCommandPacket ackPacket(quint8 slot, quint8 requestId);
TCommandPacket wheelBaseWritePacket(quint8 slot, const TWheelBaseConfig& record);
TCommandPacket userEffectWritePacket(quint8 slot, const TUserEffectConfig& record);
TCommandPacket joystickWritePacket(quint8 slot, const TJoystickConfig& record);
TCommandPacket motorWritePacket(quint8 slot, const TMotorConfig& record);

// One whole output report of outputReportLength bytes: the first `length` packet bytes, then
// zeros. A report shorter than the packet carries only the packet's first bytes.
std::vector<quint8> transmitBuffer(const TCommandPacket& packet, int outputReportLength);
std::vector<quint8> transmitBuffer(const quint8* packetBytes, int length, int outputReportLength);

// A decoded command packet, for reading built packets back (the tests); false if the bytes are
// not one.
bool parseCommandPacket(ByteView report, TCommandPacket* packet);

}  // namespace karvo
