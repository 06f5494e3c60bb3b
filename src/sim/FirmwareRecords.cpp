#include "FirmwareRecords.h"

namespace karvo {

namespace {
constexpr quint16 kFullScale = 10000;  // 100 % on every gain and force scale

quint16 readU16(ByteView bytes, size_t offset) {
    const auto at = [&](size_t i) -> quint16 { return i < bytes.size() ? bytes[i] : 0; };
    return static_cast<quint16>(at(offset) | (at(offset + 1) << 8));
}

void writeU16(quint8* out, quint16 value) {
    out[0] = static_cast<quint8>(value & 0xFF);
    out[1] = static_cast<quint8>(value >> 8);
}
}  // namespace

std::array<quint8, SimTelemetryConfig::kSize> encode(const SimTelemetryConfig& record) {
    std::array<quint8, SimTelemetryConfig::kSize> out{};
    out[0] = record.enabled;
    out[1] = record.source;
    writeU16(&out[2], record.updateRateHz);
    writeU16(&out[4], record.forceScale);
    writeU16(&out[6], record.reserved);
    return out;
}

SimTelemetryConfig decodeSimTelemetryConfig(ByteView bytes) {
    SimTelemetryConfig record;
    record.enabled = bytes.size() > 0 ? bytes[0] : 0;
    record.source = bytes.size() > 1 ? bytes[1] : 0;
    record.updateRateHz = readU16(bytes, 2);
    record.forceScale = readU16(bytes, 4);
    record.reserved = readU16(bytes, 6);
    return record;
}

TWheelBaseConfig defaultWheelBaseConfig() {
    TWheelBaseConfig c;
    c.steeringAngle = 180;
    c.stopForce = 1500;
    c.minForce = 0;
    c.overAllFilter = 0;
    c.damperFilter = 200;
    c.inertiaFilter = 200;
    c.frictionFilter = 200;
    c.qFactor = 0.7071f;
    c.peakGain = 0.0f;
    c.totalForceGain = 3000;  // 30 %
    c.constantGain = kFullScale;
    c.rampGain = kFullScale;
    c.squareGain = kFullScale;
    c.triangleGain = kFullScale;
    c.sineGain = kFullScale;
    c.sawtoothUpGain = kFullScale;
    c.sawtoothDownGain = kFullScale;
    c.springGain = kFullScale;
    c.damperGain = kFullScale;
    c.inertiaGain = kFullScale;
    c.frictionGain = kFullScale;
    c.enableTelemetryFfb = false;
    return c;
}

TUserEffectConfig defaultUserEffectConfig() {
    TUserEffectConfig c;
    c.damperForce = kFullScale;
    c.damperGain = kFullScale;
    c.frictionForce = kFullScale;
    c.frictionGain = kFullScale;
    c.inertiaForce = kFullScale;
    c.inertiaGain = kFullScale;
    c.springForce = kFullScale;
    c.springGain = kFullScale;
    c.eOffset = 0;
    c.eGain = kFullScale;
    c.eSaturation = kFullScale;
    c.eCoefficent = kFullScale;
    c.enableDamper = true;
    c.enableInertia = true;
    c.enableFriction = true;
    c.enableSpring = true;
    return c;
}

SimTelemetryConfig defaultTelemetryConfig() {
    SimTelemetryConfig c;
    c.enabled = 0;
    c.source = 0;
    c.updateRateHz = 60;
    c.forceScale = kFullScale;
    return c;
}

TJoystickConfig defaultJoystickConfig() {
    TJoystickConfig c;
    c.xMin = -100000;
    c.xMax = 100000;
    c.yMax = 100000;
    c.zMax = 100000;
    c.rxMax = 100000;
    c.ryMax = 100000;
    c.rzMax = 100000;
    return c;
}

TMotorConfig defaultMotorConfig() {
    TMotorConfig c;
    c.pwmMode = 1;  // PWM +/- (H-Bridge)
    c.pwmFreq = 0;  // 16.8 kHz
    c.absEncoder = false;
    c.zIndex = true;
    c.reverseEncoder = false;
    c.PPR = 1000;
    c.pidMode = 0;        // Automatic
    c.ctrlDirection = 1;  // Reverse
    c.Kp = 30.0f;
    c.Ki = 10.0f;
    c.Kd = 1.0f;
    c.sampleTime = 1;
    return c;
}

ProfileRecords defaultProfileRecords() {
    return ProfileRecords{defaultWheelBaseConfig(), defaultUserEffectConfig(),
                          defaultTelemetryConfig()};
}

HardwareRecords defaultHardwareRecords() {
    return HardwareRecords{defaultJoystickConfig(), defaultMotorConfig()};
}

FlashImage defaultFlashImage() {
    FlashImage image;
    image.profiles.fill(defaultProfileRecords());
    image.hardware = defaultHardwareRecords();
    return image;
}

}  // namespace karvo
