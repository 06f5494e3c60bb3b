#include "JsonDump.h"

#include <QLatin1StringView>
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <string>

namespace karvo {

namespace {

// Significant digits of a dumped float.
constexpr int kDumpDigits = 15;
// Decimal exponents written in fixed notation; outside them the E form is used.
constexpr int kFixedExponentMin = -4;
constexpr int kFixedExponentMax = 14;
// Enough digits to hold the exact decimal expansion of any float widened to double (the
// smallest subnormal float has 105 significant digits).
constexpr int kExactPrecision = 120;

struct Member {
    QLatin1StringView name;
    QString value;
};

// Positions of the members sorted by name hash, largest first; equal hashes by name.
template <std::size_t N>
std::array<std::size_t, N> hashOrder(const std::array<Member, N>& members) {
    std::array<std::size_t, N> order{};
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&members](std::size_t a, std::size_t b) {
        const QString nameA = members[a].name;
        const QString nameB = members[b].name;
        const quint32 hashA = dumpNameHash(nameA);
        const quint32 hashB = dumpNameHash(nameB);
        if (hashA != hashB)
            return hashA > hashB;
        return nameA < nameB;
    });
    return order;
}

template <std::size_t N>
QString objectText(const std::array<Member, N>& members, const std::array<std::size_t, N>& order) {
    QString text;
    text.reserve(static_cast<qsizetype>(N) * 24);
    text += QLatin1Char('{');
    for (std::size_t i = 0; i < N; ++i) {
        const Member& member = members[order[i]];
        if (i > 0)
            text += QLatin1Char(',');
        text += QLatin1Char('"');
        text += member.name;
        text += QLatin1String("\":");
        text += member.value;
    }
    text += QLatin1Char('}');
    return text;
}

QString unsignedText(quint32 value) {
    return QString::number(value);
}

QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The decimal digits of a positive finite double rounded half away from zero to kDumpDigits
// significant digits, and the decimal exponent of the first digit.
struct RoundedDecimal {
    std::string digits;  // no trailing zeros, at least one digit
    int exponent = 0;
};

// Digits after the first that hold the exact decimal expansion of the value (at least the
// kDumpDigits + 1 that rounding looks at). The value is M x 2^k with M odd: for k >= 0 a whole
// number, otherwise M x 5^-k shifted, which has at most log10(M) + 0.7 x -k + 1 digits.
int exactPrecision(double magnitude) {
    int exponent2 = 0;
    const double fraction = std::frexp(magnitude, &exponent2);
    auto mantissa = static_cast<quint64>(std::ldexp(fraction, 53));
    int power2 = exponent2 - 53;
    const int trailingZeros = std::countr_zero(mantissa);
    mantissa >>= trailingZeros;
    power2 += trailingZeros;
    const int mantissaDigits = (std::bit_width(mantissa) * 30103) / 100000 + 1;
    const int fractionDigits = power2 >= 0 ? 0 : (-power2 * 69897) / 100000 + 1;
    const int integerDigits = power2 >= 0 ? (power2 * 30103) / 100000 + 1 : 0;
    return std::clamp(mantissaDigits + fractionDigits + integerDigits + 1, kDumpDigits + 1,
                      kExactPrecision);
}

RoundedDecimal roundToDumpDigits(double magnitude) {
    char buffer[kExactPrecision + 16];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), magnitude,
                                      std::chars_format::scientific, exactPrecision(magnitude));
    // buffer holds d.ddd...e[+-]xx with the exact expansion of the value.
    const std::string text(buffer, result.ptr);
    const std::size_t ePos = text.find('e');
    RoundedDecimal rounded;
    rounded.exponent = std::stoi(text.substr(ePos + 1));
    std::string all = text.substr(0, 1) + text.substr(2, ePos - 2);

    std::string digits = all.substr(0, kDumpDigits);
    if (all[kDumpDigits] >= '5') {
        int at = kDumpDigits - 1;
        while (at >= 0 && digits[static_cast<std::size_t>(at)] == '9') {
            digits[static_cast<std::size_t>(at)] = '0';
            --at;
        }
        if (at < 0) {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++rounded.exponent;
        } else {
            ++digits[static_cast<std::size_t>(at)];
        }
    }
    const std::size_t last = digits.find_last_not_of('0');
    digits.erase(last + 1);
    rounded.digits = digits;
    return rounded;
}

}  // namespace

quint32 dumpNameHash(const QString& name) {
    quint32 hash = 0;
    for (const QChar c : name)
        hash = hash * 129u + c.unicode() + 0x9E370001u;
    return hash;
}

QString formatDumpFloat(float value) {
    const double widened = value;
    if (!std::isfinite(widened))
        return QStringLiteral("null");
    if (widened == 0)
        return QStringLiteral("0");  // negative zero too

    const RoundedDecimal rounded = roundToDumpDigits(std::fabs(widened));
    const std::string& digits = rounded.digits;
    const int exponent = rounded.exponent;
    std::string text = widened < 0 ? "-" : "";
    if (exponent >= kFixedExponentMin && exponent <= kFixedExponentMax) {
        if (exponent < 0) {
            text += "0.";
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += digits;
        } else {
            const auto integerDigits = static_cast<std::size_t>(exponent + 1);
            if (digits.size() <= integerDigits) {
                text += digits;
                text.append(integerDigits - digits.size(), '0');
            } else {
                text += digits.substr(0, integerDigits);
                text += '.';
                text += digits.substr(integerDigits);
            }
        }
    } else {
        text += digits[0];
        if (digits.size() > 1) {
            text += '.';
            text += digits.substr(1);
        }
        text += 'E';
        text += std::to_string(exponent);
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString DumpRecordJson(const TMotorConfig& record) {
    const std::array<Member, 12> members{{
        {QLatin1StringView("pwmMode"), unsignedText(record.pwmMode)},
        {QLatin1StringView("pwmFreq"), unsignedText(record.pwmFreq)},
        {QLatin1StringView("absEncoder"), boolText(record.absEncoder)},
        {QLatin1StringView("zIndex"), boolText(record.zIndex)},
        {QLatin1StringView("reverseEncoder"), boolText(record.reverseEncoder)},
        {QLatin1StringView("PPR"), unsignedText(record.PPR)},
        {QLatin1StringView("pidMode"), unsignedText(record.pidMode)},
        {QLatin1StringView("ctrlDirection"), unsignedText(record.ctrlDirection)},
        {QLatin1StringView("Kp"), formatDumpFloat(record.Kp)},
        {QLatin1StringView("Ki"), formatDumpFloat(record.Ki)},
        {QLatin1StringView("Kd"), formatDumpFloat(record.Kd)},
        {QLatin1StringView("sampleTime"), unsignedText(record.sampleTime)},
    }};
    static const auto order = hashOrder(members);
    return objectText(members, order);
}

QString DumpRecordJson(const TWheelBaseConfig& record) {
    const std::array<Member, 22> members{{
        {QLatin1StringView("steeringAngle"), unsignedText(record.steeringAngle)},
        {QLatin1StringView("stopForce"), unsignedText(record.stopForce)},
        {QLatin1StringView("minForce"), unsignedText(record.minForce)},
        {QLatin1StringView("overAllFilter"), unsignedText(record.overAllFilter)},
        {QLatin1StringView("damperFilter"), unsignedText(record.damperFilter)},
        {QLatin1StringView("inertiaFilter"), unsignedText(record.inertiaFilter)},
        {QLatin1StringView("frictionFilter"), unsignedText(record.frictionFilter)},
        {QLatin1StringView("qFactor"), formatDumpFloat(record.qFactor)},
        {QLatin1StringView("peakGain"), formatDumpFloat(record.peakGain)},
        {QLatin1StringView("totalForceGain"), unsignedText(record.totalForceGain)},
        {QLatin1StringView("constantGain"), unsignedText(record.constantGain)},
        {QLatin1StringView("rampGain"), unsignedText(record.rampGain)},
        {QLatin1StringView("squareGain"), unsignedText(record.squareGain)},
        {QLatin1StringView("triangleGain"), unsignedText(record.triangleGain)},
        {QLatin1StringView("sineGain"), unsignedText(record.sineGain)},
        {QLatin1StringView("sawtoothUpGain"), unsignedText(record.sawtoothUpGain)},
        {QLatin1StringView("sawtoothDownGain"), unsignedText(record.sawtoothDownGain)},
        {QLatin1StringView("springGain"), unsignedText(record.springGain)},
        {QLatin1StringView("damperGain"), unsignedText(record.damperGain)},
        {QLatin1StringView("inertiaGain"), unsignedText(record.inertiaGain)},
        {QLatin1StringView("frictionGain"), unsignedText(record.frictionGain)},
        {QLatin1StringView("enableTelemetryFfb"), boolText(record.enableTelemetryFfb)},
    }};
    static const auto order = hashOrder(members);
    return objectText(members, order);
}

QString DumpRecordJson(const TUserEffectConfig& record) {
    const std::array<Member, 16> members{{
        {QLatin1StringView("damperForce"), unsignedText(record.damperForce)},
        {QLatin1StringView("damperGain"), unsignedText(record.damperGain)},
        {QLatin1StringView("frictionForce"), unsignedText(record.frictionForce)},
        {QLatin1StringView("frictionGain"), unsignedText(record.frictionGain)},
        {QLatin1StringView("inertiaForce"), unsignedText(record.inertiaForce)},
        {QLatin1StringView("inertiaGain"), unsignedText(record.inertiaGain)},
        {QLatin1StringView("springForce"), unsignedText(record.springForce)},
        {QLatin1StringView("springGain"), unsignedText(record.springGain)},
        {QLatin1StringView("eOffset"), unsignedText(record.eOffset)},
        {QLatin1StringView("eGain"), unsignedText(record.eGain)},
        {QLatin1StringView("eSaturation"), unsignedText(record.eSaturation)},
        {QLatin1StringView("eCoefficent"), unsignedText(record.eCoefficent)},
        {QLatin1StringView("enableDamper"), boolText(record.enableDamper)},
        {QLatin1StringView("enableInertia"), boolText(record.enableInertia)},
        {QLatin1StringView("enableFriction"), boolText(record.enableFriction)},
        {QLatin1StringView("enableSpring"), boolText(record.enableSpring)},
    }};
    static const auto order = hashOrder(members);
    return objectText(members, order);
}

QString DumpRecordJson(const TFFBReport& record) {
    const std::array<Member, 12> members{{
        {QLatin1StringView("constantForce"), formatDumpFloat(record.constantForce)},
        {QLatin1StringView("rampForce"), formatDumpFloat(record.rampForce)},
        {QLatin1StringView("springForce"), formatDumpFloat(record.springForce)},
        {QLatin1StringView("damperForce"), formatDumpFloat(record.damperForce)},
        {QLatin1StringView("inertiaForce"), formatDumpFloat(record.inertiaForce)},
        {QLatin1StringView("frictionForce"), formatDumpFloat(record.frictionForce)},
        {QLatin1StringView("squareForce"), formatDumpFloat(record.squareForce)},
        {QLatin1StringView("triangleForce"), formatDumpFloat(record.triangleForce)},
        {QLatin1StringView("sineForce"), formatDumpFloat(record.sineForce)},
        {QLatin1StringView("sawUpForce"), formatDumpFloat(record.sawUpForce)},
        {QLatin1StringView("sawDownForce"), formatDumpFloat(record.sawDownForce)},
        {QLatin1StringView("totalForce"), formatDumpFloat(record.totalForce)},
    }};
    static const auto order = hashOrder(members);
    return objectText(members, order);
}

}  // namespace karvo
