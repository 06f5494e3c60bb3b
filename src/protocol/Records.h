#pragma once

// The byte records exchanged with the wheel base. Every record is packed little-endian and is
// encoded and decoded byte by byte at fixed offsets (Records.cpp), never through the memory
// layout of these structs. Decoders read the bytes they are given and treat missing trailing
// bytes as 0, so a short report never causes a read past its end.

#include <QtGlobal>

#include <array>
#include <span>

namespace karvo {

using ByteView = std::span<const quint8>;

// Record type numbers: the objectType byte of a command and the type byte of a response.
namespace RecordType {
constexpr quint8 FirmwareVersion = 0;
constexpr quint8 JoystickConfig = 1;
constexpr quint8 MotorConfig = 2;
constexpr quint8 WheelBaseConfig = 3;
constexpr quint8 Telemetry = 4;
constexpr quint8 UserEffectConfig = 5;
constexpr quint8 EncoderStats = 160;
constexpr quint8 PwmStats = 161;
constexpr quint8 CalculatedParams = 175;
constexpr quint8 FfbReport = 254;
}  // namespace RecordType

struct TWheelBaseConfig {
    static constexpr int kSize = 47;
    quint16 steeringAngle = 0;
    quint16 stopForce = 0;
    quint16 minForce = 0;
    quint16 overAllFilter = 0;
    quint16 damperFilter = 0;
    quint16 inertiaFilter = 0;
    quint16 frictionFilter = 0;
    float qFactor = 0;
    float peakGain = 0;
    quint16 totalForceGain = 0;
    quint16 constantGain = 0;
    quint16 rampGain = 0;
    quint16 squareGain = 0;
    quint16 triangleGain = 0;
    quint16 sineGain = 0;
    quint16 sawtoothUpGain = 0;
    quint16 sawtoothDownGain = 0;
    quint16 springGain = 0;
    quint16 damperGain = 0;
    quint16 inertiaGain = 0;
    quint16 frictionGain = 0;
    bool enableTelemetryFfb = false;
    bool operator==(const TWheelBaseConfig&) const = default;
};

struct TUserEffectConfig {
    static constexpr int kSize = 28;
    quint16 damperForce = 0;
    quint16 damperGain = 0;
    quint16 frictionForce = 0;
    quint16 frictionGain = 0;
    quint16 inertiaForce = 0;
    quint16 inertiaGain = 0;
    quint16 springForce = 0;
    quint16 springGain = 0;
    quint16 eOffset = 0;
    quint16 eGain = 0;
    quint16 eSaturation = 0;
    quint16 eCoefficent = 0;
    bool enableDamper = false;
    bool enableInertia = false;
    bool enableFriction = false;
    bool enableSpring = false;
    bool operator==(const TUserEffectConfig&) const = default;
};

struct TMotorConfig {
    static constexpr int kSize = 27;
    quint8 pwmMode = 0;
    quint8 pwmFreq = 0;
    bool absEncoder = false;
    bool zIndex = false;
    bool reverseEncoder = false;
    quint32 PPR = 0;
    quint8 pidMode = 0;
    quint8 ctrlDirection = 0;
    float Kp = 0;
    float Ki = 0;
    float Kd = 0;
    quint32 sampleTime = 0;
    bool operator==(const TMotorConfig&) const = default;
};

struct TJoystickConfig {
    static constexpr int kSize = 48;
    qint32 xMin = 0, xMax = 0;
    qint32 yMin = 0, yMax = 0;
    qint32 zMin = 0, zMax = 0;
    qint32 rxMin = 0, rxMax = 0;
    qint32 ryMin = 0, ryMax = 0;
    qint32 rzMin = 0, rzMax = 0;
    bool operator==(const TJoystickConfig&) const = default;
};

struct TFFBReport {
    static constexpr int kSize = 48;
    float constantForce = 0;
    float rampForce = 0;
    float springForce = 0;
    float damperForce = 0;
    float inertiaForce = 0;
    float frictionForce = 0;
    float squareForce = 0;
    float triangleForce = 0;
    float sineForce = 0;
    float sawUpForce = 0;
    float sawDownForce = 0;
    float totalForce = 0;
    bool operator==(const TFFBReport&) const = default;
};

struct TFirmwareVersion {
    static constexpr int kSize = 4;
    std::array<quint8, 4> version{};
    bool operator==(const TFirmwareVersion&) const = default;
};

struct TEncoderStats {
    static constexpr int kSize = 28;
    qint32 currentPos = 0;
    qint32 maxPos = 0;
    qint32 speed = 0;
    qint32 zPlus = 0;
    qint32 zMinus = 0;
    qint32 ppr = 0;
    qint32 cpr = 0;
    bool operator==(const TEncoderStats&) const = default;
};

struct TPwmStats {
    static constexpr int kSize = 4;
    quint8 pwmMode = 0;
    quint8 pwmFreq = 0;
    qint16 period = 0;
    bool operator==(const TPwmStats&) const = default;
};

struct TCalculatedParams {
    static constexpr int kSize = 16;
    float totalForce = 0;
    float stopForce = 0;
    float totalForceGain = 0;
    float userForce = 0;
    bool operator==(const TCalculatedParams&) const = default;
};

// Input report 1, counted from the first byte after the report ID.
struct TAxesReport {
    static constexpr int kSize = 28;
    std::array<quint8, 4> unused{};  // not interpreted by the tool
    qint32 x = 0;
    qint32 y = 0;
    qint32 z = 0;
    qint32 rx = 0;
    qint32 ry = 0;
    qint32 rz = 0;
    bool operator==(const TAxesReport&) const = default;
};

// Encoders: the exact byte image of a record.
std::array<quint8, TWheelBaseConfig::kSize> encode(const TWheelBaseConfig& record);
std::array<quint8, TUserEffectConfig::kSize> encode(const TUserEffectConfig& record);
std::array<quint8, TMotorConfig::kSize> encode(const TMotorConfig& record);
std::array<quint8, TJoystickConfig::kSize> encode(const TJoystickConfig& record);
std::array<quint8, TFFBReport::kSize> encode(const TFFBReport& record);
std::array<quint8, TFirmwareVersion::kSize> encode(const TFirmwareVersion& record);
std::array<quint8, TEncoderStats::kSize> encode(const TEncoderStats& record);
std::array<quint8, TPwmStats::kSize> encode(const TPwmStats& record);
std::array<quint8, TCalculatedParams::kSize> encode(const TCalculatedParams& record);
std::array<quint8, TAxesReport::kSize> encode(const TAxesReport& record);

// Decoders: bytes beyond the end of the view read as 0.
TWheelBaseConfig decodeWheelBaseConfig(ByteView bytes);
TUserEffectConfig decodeUserEffectConfig(ByteView bytes);
TMotorConfig decodeMotorConfig(ByteView bytes);
TJoystickConfig decodeJoystickConfig(ByteView bytes);
TFFBReport decodeFfbReport(ByteView bytes);
TFirmwareVersion decodeFirmwareVersion(ByteView bytes);
TEncoderStats decodeEncoderStats(ByteView bytes);
TPwmStats decodePwmStats(ByteView bytes);
TCalculatedParams decodeCalculatedParams(ByteView bytes);
TAxesReport decodeAxesReport(ByteView bytes);

// The wire value of the PWM mode for an entry of the PWM mode list; 255 for no selection (-1)
// and for any index outside the list.
quint8 PwmModeFromIndex(qint32 index);

// The size of the record that a response of this type carries; 0 for types without a layout.
int recordSizeForType(quint8 recordType);

}  // namespace karvo
