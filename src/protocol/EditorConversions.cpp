#include "EditorConversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "KarvoError.h"

namespace karvo {

namespace {

constexpr int kGainScale = 100;
constexpr int kGainMaxPosition = 100;
constexpr double kTwoTo32 = 4294967296.0;

[[noreturn]] void throwNotAFloat(const QString& text) {
    throw KarvoError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlank(QChar c) {
    return c.isSpace();
}

// The scanned parts of a number text, as ASCII for the C-locale conversion.
struct ScannedNumber {
    bool negative = false;
    std::string digits;    // mantissa digits with '.' in place of the locale's separator
    std::string exponent;  // "e", optional '-', digits; empty without an exponent
    // Decimal exponent of the first significant digit, to tell an overflow from an underflow
    // when the value does not fit a double; only meaningful when the mantissa is not zero.
    qint64 leadingExponent = 0;
    bool mantissaIsZero = true;
};

// Reads `text` by the rules of the number text edits; false if it is not such a number.
bool scanNumber(const QString& text, const QLocale& locale, ScannedNumber* number) {
    const QString decimalPoint = locale.decimalPoint();
    const QString negativeSign = locale.negativeSign();
    const QString positiveSign = locale.positiveSign();
    const qsizetype size = text.size();
    qsizetype at = 0;
    while (at < size && isBlank(text.at(at)))
        ++at;
    qsizetype end = size;
    while (end > at && isBlank(text.at(end - 1)))
        --end;

    auto consume = [&text, &at, end](const QString& token) {
        if (token.isEmpty() || at + token.size() > end)
            return false;
        if (QStringView(text).mid(at, token.size()) != token)
            return false;
        at += token.size();
        return true;
    };

    if (consume(QStringLiteral("-")) || consume(negativeSign))
        number->negative = true;
    else if (!consume(QStringLiteral("+")))
        consume(positiveSign);

    int digitCount = 0;
    bool seenPoint = false;
    qint64 integerDigits = 0;    // significant digits before the separator
    qint64 leadingFraction = 0;  // zeros after the separator before the first significant digit
    while (at < end) {
        const QChar c = text.at(at);
        if (isAsciiDigit(c)) {
            number->digits.push_back(static_cast<char>(c.unicode()));
            ++digitCount;
            if (c != QLatin1Char('0') || !number->mantissaIsZero) {
                if (!seenPoint)
                    ++integerDigits;
                number->mantissaIsZero = false;
            } else if (seenPoint) {
                ++leadingFraction;
            }
            ++at;
        } else if (!seenPoint && consume(decimalPoint)) {
            seenPoint = true;
            number->digits.push_back('.');
        } else {
            break;
        }
    }
    if (digitCount == 0)
        return false;

    qint64 exponentValue = 0;
    if (at < end && (text.at(at) == QLatin1Char('e') || text.at(at) == QLatin1Char('E'))) {
        ++at;
        number->exponent.push_back('e');
        bool exponentNegative = false;
        if (consume(QStringLiteral("-")) || consume(negativeSign))
            exponentNegative = true;
        else if (!consume(QStringLiteral("+")))
            consume(positiveSign);
        if (exponentNegative)
            number->exponent.push_back('-');
        int exponentDigits = 0;
        while (at < end && isAsciiDigit(text.at(at))) {
            const QChar c = text.at(at);
            number->exponent.push_back(static_cast<char>(c.unicode()));
            // Far beyond any double already; stop growing to keep the arithmetic in range.
            exponentValue = std::min<qint64>(exponentValue * 10 + (c.unicode() - '0'), 1000000);
            ++exponentDigits;
            ++at;
        }
        if (exponentDigits == 0)
            return false;
        if (exponentNegative)
            exponentValue = -exponentValue;
    }
    if (at != end)
        return false;

    number->leadingExponent =
        integerDigits > 0 ? exponentValue + integerDigits - 1 : exponentValue - leadingFraction - 1;
    return true;
}

// The value rounded half away from zero to `decimals` places, as fixed-point text.
QString formatFixed(float value, int decimals, double scale, const QLocale& locale) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    // A float has 24 significant bits and the scale (at most 10^4) 14, so the product is exact
    // in a double and std::round sees the true value: ties are real ties, rounded away from 0.
    const double scaled = std::round(static_cast<double>(value) * scale);
    const bool negative = scaled < 0;  // a value that rounds to zero has no sign
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), std::fabs(scaled),
                                      std::chars_format::fixed, 0);
    std::string digits(buffer, result.ptr);
    if (static_cast<int>(digits.size()) <= decimals)
        digits.insert(0, static_cast<std::size_t>(decimals + 1) - digits.size(), '0');
    const std::size_t split = digits.size() - static_cast<std::size_t>(decimals);
    QString text;
    if (negative)
        text += QLatin1Char('-');
    text += QLatin1String(digits.data(), static_cast<qsizetype>(split));
    text += locale.decimalPoint();
    text += QLatin1String(digits.data() + split, decimals);
    return text;
}

}  // namespace

quint16 gainToWire(int position) {
    return static_cast<quint16>(static_cast<qint64>(position) * kGainScale);
}

int gainFromWire(quint16 value) {
    return std::min(value / kGainScale, kGainMaxPosition);
}

int clampToRange(qint64 value, int min, int max) {
    const int upper = std::max(min, max);
    return static_cast<int>(std::clamp<qint64>(value, min, upper));
}

quint32 truncateToU32(double value) {
    if (!std::isfinite(value))
        return 0;
    // Whole doubles are exact, and so is their remainder by 2^32: these are the low 32 bits.
    double low = std::fmod(std::trunc(value), kTwoTo32);
    if (low < 0)
        low += kTwoTo32;
    return static_cast<quint32>(low);
}

qint32 truncateToI32(double value) {
    return static_cast<qint32>(truncateToU32(value));
}

float nearestFloat(double value) {
    constexpr double kFloatMax = std::numeric_limits<float>::max();
    // Half a unit in the last place of the largest float: from there on the value rounds to
    // infinity (the largest float has an odd mantissa, so the tie goes to infinity as well).
    constexpr double kHalfUlpOfFloatMax = 0x1p103;
    if (std::isfinite(value) && std::fabs(value) > kFloatMax) {
        const float bound = std::fabs(value) < kFloatMax + kHalfUlpOfFloatMax
                                ? std::numeric_limits<float>::max()
                                : std::numeric_limits<float>::infinity();
        return value < 0 ? -bound : bound;
    }
    return static_cast<float>(value);
}

float parseLocaleFloat(const QString& text, const QLocale& locale) {
    ScannedNumber number;
    if (!scanNumber(text, locale, &number))
        throwNotAFloat(text);
    const std::string ascii = number.digits + number.exponent;
    double magnitude = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), magnitude);
    if (error == std::errc::result_out_of_range) {
        // Too small for a double is zero as a float too; too large is no number we can store.
        if (number.mantissaIsZero || number.leadingExponent < 0)
            magnitude = 0;
        else
            throwNotAFloat(text);
    } else if (error != std::errc() || end != ascii.data() + ascii.size()) {
        throwNotAFloat(text);
    }
    return nearestFloat(number.negative ? -magnitude : magnitude);
}

QString formatFourDecimals(float value, const QLocale& locale) {
    return formatFixed(value, 4, 10000.0, locale);
}

QString formatTwoDecimals(float value, const QLocale& locale) {
    return formatFixed(value, 2, 100.0, locale);
}

QString firmwareVersionText(const TFirmwareVersion& version) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(static_cast<int>(version.version[0]))
        .arg(static_cast<int>(version.version[1]))
        .arg(static_cast<int>(version.version[2]))
        .arg(static_cast<int>(version.version[3]));
}

}  // namespace karvo
