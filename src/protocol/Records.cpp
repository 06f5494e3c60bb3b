#include "Records.h"

#include "WireField.h"

namespace karvo {

namespace {

using namespace wire;

struct WheelBaseConfigLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(U16{0}, r.steeringAngle);
        at(U16{2}, r.stopForce);
        at(U16{4}, r.minForce);
        at(U16{6}, r.overAllFilter);
        at(U16{8}, r.damperFilter);
        at(U16{10}, r.inertiaFilter);
        at(U16{12}, r.frictionFilter);
        at(F32{14}, r.qFactor);
        at(F32{18}, r.peakGain);
        at(U16{22}, r.totalForceGain);
        at(U16{24}, r.constantGain);
        at(U16{26}, r.rampGain);
        at(U16{28}, r.squareGain);
        at(U16{30}, r.triangleGain);
        at(U16{32}, r.sineGain);
        at(U16{34}, r.sawtoothUpGain);
        at(U16{36}, r.sawtoothDownGain);
        at(U16{38}, r.springGain);
        at(U16{40}, r.damperGain);
        at(U16{42}, r.inertiaGain);
        at(U16{44}, r.frictionGain);
        at(Bool{46}, r.enableTelemetryFfb);
    }
};
static_assert(isPackedLayout<WheelBaseConfigLayout, TWheelBaseConfig>());

// The enable flags run damper, inertia, friction, spring: not the order of the force pairs.
struct UserEffectConfigLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(U16{0}, r.damperForce);
        at(U16{2}, r.damperGain);
        at(U16{4}, r.frictionForce);
        at(U16{6}, r.frictionGain);
        at(U16{8}, r.inertiaForce);
        at(U16{10}, r.inertiaGain);
        at(U16{12}, r.springForce);
        at(U16{14}, r.springGain);
        at(U16{16}, r.eOffset);
        at(U16{18}, r.eGain);
        at(U16{20}, r.eSaturation);
        at(U16{22}, r.eCoefficent);
        at(Bool{24}, r.enableDamper);
        at(Bool{25}, r.enableInertia);
        at(Bool{26}, r.enableFriction);
        at(Bool{27}, r.enableSpring);
    }
};
static_assert(isPackedLayout<UserEffectConfigLayout, TUserEffectConfig>());

// PPR and Kp sit at odd offsets: the record has no alignment gaps.
struct MotorConfigLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(U8{0}, r.pwmMode);
        at(U8{1}, r.pwmFreq);
        at(Bool{2}, r.absEncoder);
        at(Bool{3}, r.zIndex);
        at(Bool{4}, r.reverseEncoder);
        at(U32{5}, r.PPR);
        at(U8{9}, r.pidMode);
        at(U8{10}, r.ctrlDirection);
        at(F32{11}, r.Kp);
        at(F32{15}, r.Ki);
        at(F32{19}, r.Kd);
        at(U32{23}, r.sampleTime);
    }
};
static_assert(isPackedLayout<MotorConfigLayout, TMotorConfig>());

struct JoystickConfigLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(I32{0}, r.xMin);
        at(I32{4}, r.xMax);
        at(I32{8}, r.yMin);
        at(I32{12}, r.yMax);
        at(I32{16}, r.zMin);
        at(I32{20}, r.zMax);
        at(I32{24}, r.rxMin);
        at(I32{28}, r.rxMax);
        at(I32{32}, r.ryMin);
        at(I32{36}, r.ryMax);
        at(I32{40}, r.rzMin);
        at(I32{44}, r.rzMax);
    }
};
static_assert(isPackedLayout<JoystickConfigLayout, TJoystickConfig>());

struct FfbReportLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(F32{0}, r.constantForce);
        at(F32{4}, r.rampForce);
        at(F32{8}, r.springForce);
        at(F32{12}, r.damperForce);
        at(F32{16}, r.inertiaForce);
        at(F32{20}, r.frictionForce);
        at(F32{24}, r.squareForce);
        at(F32{28}, r.triangleForce);
        at(F32{32}, r.sineForce);
        at(F32{36}, r.sawUpForce);
        at(F32{40}, r.sawDownForce);
        at(F32{44}, r.totalForce);
    }
};
static_assert(isPackedLayout<FfbReportLayout, TFFBReport>());

struct FirmwareVersionLayout {
    static constexpr void fields(auto& r, auto&& at) { at(Bytes4{0}, r.version); }
};
static_assert(isPackedLayout<FirmwareVersionLayout, TFirmwareVersion>());

struct EncoderStatsLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(I32{0}, r.currentPos);
        at(I32{4}, r.maxPos);
        at(I32{8}, r.speed);
        at(I32{12}, r.zPlus);
        at(I32{16}, r.zMinus);
        at(I32{20}, r.ppr);
        at(I32{24}, r.cpr);
    }
};
static_assert(isPackedLayout<EncoderStatsLayout, TEncoderStats>());

struct PwmStatsLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(U8{0}, r.pwmMode);
        at(U8{1}, r.pwmFreq);
        at(I16{2}, r.period);
    }
};
static_assert(isPackedLayout<PwmStatsLayout, TPwmStats>());

struct CalculatedParamsLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(F32{0}, r.totalForce);
        at(F32{4}, r.stopForce);
        at(F32{8}, r.totalForceGain);
        at(F32{12}, r.userForce);
    }
};
static_assert(isPackedLayout<CalculatedParamsLayout, TCalculatedParams>());

// Counted from the first byte after the report ID; the first four bytes are not interpreted.
struct AxesReportLayout {
    static constexpr void fields(auto& r, auto&& at) {
        at(Bytes4{0}, r.unused);
        at(I32{4}, r.x);
        at(I32{8}, r.y);
        at(I32{12}, r.z);
        at(I32{16}, r.rx);
        at(I32{20}, r.ry);
        at(I32{24}, r.rz);
    }
};
static_assert(isPackedLayout<AxesReportLayout, TAxesReport>());

}  // namespace

std::array<quint8, TWheelBaseConfig::kSize> encode(const TWheelBaseConfig& record) {
    return encodeWith<WheelBaseConfigLayout>(record);
}
std::array<quint8, TUserEffectConfig::kSize> encode(const TUserEffectConfig& record) {
    return encodeWith<UserEffectConfigLayout>(record);
}
std::array<quint8, TMotorConfig::kSize> encode(const TMotorConfig& record) {
    return encodeWith<MotorConfigLayout>(record);
}
std::array<quint8, TJoystickConfig::kSize> encode(const TJoystickConfig& record) {
    return encodeWith<JoystickConfigLayout>(record);
}
std::array<quint8, TFFBReport::kSize> encode(const TFFBReport& record) {
    return encodeWith<FfbReportLayout>(record);
}
std::array<quint8, TFirmwareVersion::kSize> encode(const TFirmwareVersion& record) {
    return encodeWith<FirmwareVersionLayout>(record);
}
std::array<quint8, TEncoderStats::kSize> encode(const TEncoderStats& record) {
    return encodeWith<EncoderStatsLayout>(record);
}
std::array<quint8, TPwmStats::kSize> encode(const TPwmStats& record) {
    return encodeWith<PwmStatsLayout>(record);
}
std::array<quint8, TCalculatedParams::kSize> encode(const TCalculatedParams& record) {
    return encodeWith<CalculatedParamsLayout>(record);
}
std::array<quint8, TAxesReport::kSize> encode(const TAxesReport& record) {
    return encodeWith<AxesReportLayout>(record);
}

TWheelBaseConfig decodeWheelBaseConfig(ByteView bytes) {
    return decodeWith<WheelBaseConfigLayout, TWheelBaseConfig>(bytes);
}
TUserEffectConfig decodeUserEffectConfig(ByteView bytes) {
    return decodeWith<UserEffectConfigLayout, TUserEffectConfig>(bytes);
}
TMotorConfig decodeMotorConfig(ByteView bytes) {
    return decodeWith<MotorConfigLayout, TMotorConfig>(bytes);
}
TJoystickConfig decodeJoystickConfig(ByteView bytes) {
    return decodeWith<JoystickConfigLayout, TJoystickConfig>(bytes);
}
TFFBReport decodeFfbReport(ByteView bytes) {
    return decodeWith<FfbReportLayout, TFFBReport>(bytes);
}
TFirmwareVersion decodeFirmwareVersion(ByteView bytes) {
    return decodeWith<FirmwareVersionLayout, TFirmwareVersion>(bytes);
}
TEncoderStats decodeEncoderStats(ByteView bytes) {
    return decodeWith<EncoderStatsLayout, TEncoderStats>(bytes);
}
TPwmStats decodePwmStats(ByteView bytes) {
    return decodeWith<PwmStatsLayout, TPwmStats>(bytes);
}
TCalculatedParams decodeCalculatedParams(ByteView bytes) {
    return decodeWith<CalculatedParamsLayout, TCalculatedParams>(bytes);
}
TAxesReport decodeAxesReport(ByteView bytes) {
    return decodeWith<AxesReportLayout, TAxesReport>(bytes);
}

quint8 PwmModeFromIndex(qint32 index) {
    // The PWM mode list holds exactly the wire values 0 to 3, in order. Anything else, the
    // "no selection" index -1 included, goes out as 255.
    constexpr qint32 kPwmModeCount = 4;
    return index >= 0 && index < kPwmModeCount ? static_cast<quint8>(index) : quint8{255};
}

int recordSizeForType(quint8 recordType) {
    switch (recordType) {
        case RecordType::FirmwareVersion:
            return TFirmwareVersion::kSize;
        case RecordType::JoystickConfig:
            return TJoystickConfig::kSize;
        case RecordType::MotorConfig:
            return TMotorConfig::kSize;
        case RecordType::WheelBaseConfig:
            return TWheelBaseConfig::kSize;
        case RecordType::UserEffectConfig:
            return TUserEffectConfig::kSize;
        case RecordType::EncoderStats:
            return TEncoderStats::kSize;
        case RecordType::PwmStats:
            return TPwmStats::kSize;
        case RecordType::CalculatedParams:
            return TCalculatedParams::kSize;
        case RecordType::FfbReport:
            return TFFBReport::kSize;
        default:
            return 0;  // the telemetry configuration is acknowledged but not decoded
    }
}

}  // namespace karvo
