#pragma once

// The records the simulated wheel base keeps in its configuration slots, and what a factory-new
// base holds in them.

#include <array>

#include "Records.h"

namespace karvo {

// The telemetry configuration of a profile. The tool reads it but never decodes it; the
// simulated base uses this small layout of its own (little-endian, byte by byte):
//   0 u8  enabled        1 when telemetry force feedback is fed from a game
//   1 u8  source         which game integration feeds it (0 none)
//   2 u16 updateRateHz   how often the game sends telemetry
//   4 u16 forceScale     0 to 10000
//   6 u16 reserved       written as 0
struct SimTelemetryConfig {
    static constexpr int kSize = 8;
    quint8 enabled = 0;
    quint8 source = 0;
    quint16 updateRateHz = 0;
    quint16 forceScale = 0;
    quint16 reserved = 0;
    bool operator==(const SimTelemetryConfig&) const = default;
};

std::array<quint8, SimTelemetryConfig::kSize> encode(const SimTelemetryConfig& record);
SimTelemetryConfig decodeSimTelemetryConfig(ByteView bytes);  // missing bytes read as 0

// What one profile slot (6 to 10) holds.
struct ProfileRecords {
    TWheelBaseConfig wheelBase;
    TUserEffectConfig userEffect;
    SimTelemetryConfig telemetry;
    bool operator==(const ProfileRecords&) const = default;
};

// What the hardware slot (11) holds.
struct HardwareRecords {
    TJoystickConfig joystick;
    TMotorConfig motor;
    bool operator==(const HardwareRecords&) const = default;
};

// The persistent memory of the base: the five profile slots and the hardware slot.
struct FlashImage {
    static constexpr quint8 kFirstProfileSlot = 6;
    static constexpr quint8 kLastProfileSlot = 10;
    static constexpr int kProfileCount = kLastProfileSlot - kFirstProfileSlot + 1;
    std::array<ProfileRecords, kProfileCount> profiles;
    HardwareRecords hardware;
    bool operator==(const FlashImage&) const = default;

    static bool isProfileSlot(quint8 slot) {
        return slot >= kFirstProfileSlot && slot <= kLastProfileSlot;
    }
};

// Factory settings: the same values the configuration editors start with.
TWheelBaseConfig defaultWheelBaseConfig();
TUserEffectConfig defaultUserEffectConfig();
SimTelemetryConfig defaultTelemetryConfig();
TJoystickConfig defaultJoystickConfig();
TMotorConfig defaultMotorConfig();
ProfileRecords defaultProfileRecords();
HardwareRecords defaultHardwareRecords();
FlashImage defaultFlashImage();

}  // namespace karvo
