#include "Windows1252.h"

#include <array>

namespace karvo {

namespace {

// Code points of the bytes 0x80..0x9F. Where Windows-1252 leaves a byte undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) it maps to the C1 control of the same value, so every byte survives a round
// trip. All other bytes equal their Latin-1 code point.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80..0x87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88..0x8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90..0x97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98..0x9F
};

constexpr char kUnmappable = '?';

char16_t decodeByte(quint8 byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControlRange[byte - 0x80];
    }
    return byte;
}

// The byte of a UTF-16 code unit, or nothing when Windows-1252 has none.
bool encodeUnit(char16_t unit, char& byte) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        byte = static_cast<char>(unit);
        return true;
    }
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == unit) {
            byte = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

}  // namespace

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(decodeByte(static_cast<quint8>(bytes[i])));
    }
    return text;
}

QByteArray toWindows1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        // A surrogate pair is one character and becomes one '?'.
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            bytes.append(kUnmappable);
            ++i;
            continue;
        }
        char byte = kUnmappable;
        if (!encodeUnit(unit.unicode(), byte)) {
            byte = kUnmappable;
        }
        bytes.append(byte);
    }
    return bytes;
}

}  // namespace karvo
