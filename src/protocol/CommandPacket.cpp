#include "CommandPacket.h"

#include <algorithm>

#include "WireField.h"

namespace karvo {

namespace {

using namespace wire;

// The eight header bytes, one byte each.
constexpr U8 kReportIdAt{0};
constexpr U8 kLengthAt{1};
constexpr U8 kSlotAt{2};
constexpr U8 kCommandAt{3};
constexpr U8 kObjectTypeAt{4};
constexpr U8 kRequestIdAt{5};
constexpr U8 kObjectIndexAt{6};
constexpr U8 kPayloadLengthAt{7};
static_assert(kPayloadLengthAt.offset + U8::width == TCommandPacket::kHeaderSize);
constexpr int kPayloadAt = TCommandPacket::kHeaderSize;

// Header-only packets: the header and byte 8, which is 0.
constexpr quint8 kHeaderOnlyLength = TCommandPacket::kHeaderSize + 1;

// The object index byte of load, save and firmware requests, and the marker value of the
// three fixed bytes of an acknowledgement.
constexpr quint8 kNoObjectIndex = 255;
constexpr quint8 kAcknowledgeMarker = 0x90;

namespace ObjectIndex {
constexpr quint8 WheelBase = 0;
constexpr quint8 Joystick = 1;
constexpr quint8 Motor = 2;
constexpr quint8 UserEffect = 3;
}  // namespace ObjectIndex

TCommandPacket headerOnlyPacket(quint8 slot, quint8 command, quint8 objectType, quint8 requestId,
                                quint8 objectIndex) {
    TCommandPacket packet;
    packet.reportId = kCommandReportId;
    packet.length = kHeaderOnlyLength;
    packet.slot = slot;
    packet.command = command;
    packet.objectType = objectType;
    packet.requestId = requestId;
    packet.objectIndex = objectIndex;
    packet.payloadLength = 0;
    return packet;
}

// A configuration write: the encoded record as payload and the checksum of its first byte.
template <typename Record>
TCommandPacket configWritePacket(quint8 slot, quint8 objectType, quint8 objectIndex,
                                 const Record& record) {
    static_assert(Record::kSize <= TCommandPacket::kMaxPayload);
    const std::array<quint8, Record::kSize> image = encode(record);
    TCommandPacket packet;
    packet.reportId = kCommandReportId;
    packet.length = static_cast<quint8>(TCommandPacket::kHeaderSize + Record::kSize + 1);
    packet.slot = slot;
    packet.command = Command::WriteConfig;
    packet.objectType = objectType;
    packet.requestId = 0;
    packet.objectIndex = objectIndex;
    packet.payloadLength = static_cast<quint8>(Record::kSize);
    std::copy(image.begin(), image.end(), packet.payload.begin());
    packet.checksum = PacketChecksum(image.front());
    return packet;
}

// The whole byte image of a packet: header, payload, checksum, zeros up to kMaxSize.
std::array<quint8, TCommandPacket::kMaxSize> packetImage(const TCommandPacket& packet) {
    std::array<quint8, TCommandPacket::kMaxSize> image{};
    put(image, kReportIdAt, packet.reportId);
    put(image, kLengthAt, packet.length);
    put(image, kSlotAt, packet.slot);
    put(image, kCommandAt, packet.command);
    put(image, kObjectTypeAt, packet.objectType);
    put(image, kRequestIdAt, packet.requestId);
    put(image, kObjectIndexAt, packet.objectIndex);
    put(image, kPayloadLengthAt, packet.payloadLength);
    const int payloadLength = std::min<int>(packet.payloadLength, TCommandPacket::kMaxPayload);
    std::copy_n(packet.payload.begin(), payloadLength, image.begin() + kPayloadAt);
    put(image, U8{kPayloadAt + payloadLength}, packet.checksum);
    return image;
}

}  // namespace

std::vector<quint8> TCommandPacket::bytes() const {
    const std::array<quint8, kMaxSize> image = packetImage(*this);
    std::vector<quint8> result(length, 0);
    std::copy_n(image.begin(), std::min<int>(length, kMaxSize), result.begin());
    return result;
}

quint8 PacketChecksum(quint8 firstPayloadByte) {
    return firstPayloadByte ^ 0x69;
}

quint8 profileSlot(int profileIndex) {
    // The slot arithmetic is 8-bit: "Profile 1" (index 0) is 6, no selection (-1) is 5.
    constexpr int kFirstProfileSlot = 6;
    return static_cast<quint8>((profileIndex + kFirstProfileSlot) & 0xFF);
}

TCommandPacket calibratePacket(quint8 slot) {
    return headerOnlyPacket(slot, Command::Calibrate, 0, 0, 0);
}

TCommandPacket centrePacket(quint8 slot) {
    return headerOnlyPacket(slot, Command::Centre, 0, 0, 0);
}

TCommandPacket readRequestPacket(quint8 slot, quint8 objectType, quint8 objectIndex,
                                 quint8 requestId) {
    return headerOnlyPacket(slot, Command::Read, objectType, requestId, objectIndex);
}

TCommandPacket loadPacket(quint8 slot) {
    return headerOnlyPacket(slot, Command::LoadProfile, 0, RequestId::Profile, kNoObjectIndex);
}

TCommandPacket savePacket(quint8 slot) {
    return headerOnlyPacket(slot, Command::SaveProfile, 0, RequestId::Profile, kNoObjectIndex);
}

TCommandPacket ackPacket(quint8 slot, quint8 requestId) {
    return headerOnlyPacket(slot, Command::Acknowledge, kAcknowledgeMarker, requestId,
                            kAcknowledgeMarker);
}

TCommandPacket wheelBaseWritePacket(quint8 slot, const TWheelBaseConfig& record) {
    return configWritePacket(slot, RecordType::WheelBaseConfig, ObjectIndex::WheelBase, record);
}

TCommandPacket userEffectWritePacket(quint8 slot, const TUserEffectConfig& record) {
    return configWritePacket(slot, RecordType::UserEffectConfig, ObjectIndex::UserEffect, record);
}

TCommandPacket joystickWritePacket(quint8 slot, const TJoystickConfig& record) {
    return configWritePacket(slot, RecordType::JoystickConfig, ObjectIndex::Joystick, record);
}

TCommandPacket motorWritePacket(quint8 slot, const TMotorConfig& record) {
    return configWritePacket(slot, RecordType::MotorConfig, ObjectIndex::Motor, record);
}

std::vector<quint8> transmitBuffer(const TCommandPacket& packet, int outputReportLength) {
    const std::vector<quint8> packetBytes = packet.bytes();
    return transmitBuffer(packetBytes.data(), static_cast<int>(packetBytes.size()),
                          outputReportLength);
}

std::vector<quint8> transmitBuffer(const quint8* packetBytes, int length, int outputReportLength) {
    std::vector<quint8> buffer(static_cast<std::size_t>(std::max(outputReportLength, 0)), 0);
    if (packetBytes == nullptr)
        return buffer;
    const int copied = std::clamp(length, 0, static_cast<int>(buffer.size()));
    std::copy_n(packetBytes, copied, buffer.begin());
    return buffer;
}

bool parseCommandPacket(ByteView report, TCommandPacket* packet) {
    if (packet == nullptr || report.size() < static_cast<std::size_t>(kHeaderOnlyLength))
        return false;
    if (get(report, kReportIdAt) != kCommandReportId)
        return false;

    const int length = get(report, kLengthAt);
    const int payloadLength = get(report, kPayloadLengthAt);
    if (payloadLength > TCommandPacket::kMaxPayload)
        return false;
    // With a payload the checksum follows it; without one, byte 8 still belongs to the packet.
    const int expectedLength = TCommandPacket::kHeaderSize + payloadLength + 1;
    if (length != expectedLength)
        return false;
    if (report.size() < static_cast<std::size_t>(length))
        return false;

    TCommandPacket parsed;
    parsed.reportId = get(report, kReportIdAt);
    parsed.length = get(report, kLengthAt);
    parsed.slot = get(report, kSlotAt);
    parsed.command = get(report, kCommandAt);
    parsed.objectType = get(report, kObjectTypeAt);
    parsed.requestId = get(report, kRequestIdAt);
    parsed.objectIndex = get(report, kObjectIndexAt);
    parsed.payloadLength = get(report, kPayloadLengthAt);
    std::copy_n(report.begin() + kPayloadAt, payloadLength, parsed.payload.begin());
    parsed.checksum = get(report, U8{kPayloadAt + payloadLength});
    *packet = parsed;
    return true;
}

}  // namespace karvo
