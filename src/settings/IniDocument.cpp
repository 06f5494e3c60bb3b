#include "IniDocument.h"

#include "Windows1252.h"

#include <QStringView>

#include <limits>

namespace karvo {

namespace {

QString decodeUtf16(const QByteArray& bytes, qsizetype start, bool littleEndian) {
    QString text;
    text.reserve((bytes.size() - start) / 2);
    // An odd last byte is half a character and is dropped.
    for (qsizetype i = start; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<quint8>(bytes[i]);
        const auto second = static_cast<quint8>(bytes[i + 1]);
        const auto unit = littleEndian ? static_cast<char16_t>(first | (second << 8))
                                       : static_cast<char16_t>((first << 8) | second);
        text.append(QChar(unit));
    }
    return text;
}

QString decodeFileText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    }
    if (bytes.startsWith("\xFF\xFE")) {
        return decodeUtf16(bytes, 2, true);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        return decodeUtf16(bytes, 2, false);
    }
    return fromWindows1252(bytes);
}

QString foldName(const QString& name) {
    return name.toCaseFolded();
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

int hexDigitValue(QChar c) {
    if (isAsciiDigit(c)) {
        return c.unicode() - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c.unicode() - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c.unicode() - u'A' + 10;
    }
    return -1;
}

}  // namespace

IniDocument IniDocument::parse(const QByteArray& fileBytes) {
    const QString text = decodeFileText(fileBytes);
    IniDocument document;
    qsizetype current = -1;  // position of the section the lines belong to

    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < text.size() && text[lineEnd] != u'\r' && text[lineEnd] != u'\n') {
            ++lineEnd;
        }
        const QStringView line = QStringView(text).mid(lineStart, lineEnd - lineStart).trimmed();
        lineStart = lineEnd + 1;
        if (lineEnd + 1 < text.size() && text[lineEnd] == u'\r' && text[lineEnd + 1] == u'\n') {
            ++lineStart;
        }

        if (line.isEmpty() || line.startsWith(u';')) {
            continue;
        }
        if (line.size() >= 2 && line.startsWith(u'[') && line.endsWith(u']')) {
            current = document.sectionPosition(line.mid(1, line.size() - 2).trimmed().toString());
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (current < 0 || equals < 0) {
            continue;
        }
        putEntry(document.sections_[current], line.left(equals).trimmed().toString(),
                 line.mid(equals + 1).trimmed().toString(), false);
    }
    return document;
}

QByteArray IniDocument::serialize() const {
    QString text;
    for (const Section& section : sections_) {
        text += QLatin1Char('[') + section.name + QStringLiteral("]\r\n");
        for (const Entry& entry : section.entries) {
            text += entry.name + QLatin1Char('=') + entry.value + QStringLiteral("\r\n");
        }
        text += QStringLiteral("\r\n");
    }
    return toWindows1252(text);
}

std::optional<QString> IniDocument::value(const QString& section, const QString& name) const {
    const Section* found = findSection(section);
    if (found == nullptr) {
        return std::nullopt;
    }
    const auto entry = found->entryIndex.constFind(foldName(name));
    if (entry == found->entryIndex.constEnd()) {
        return std::nullopt;
    }
    return found->entries[entry.value()].value;
}

void IniDocument::setValue(const QString& section, const QString& name, const QString& value) {
    putEntry(sections_[sectionPosition(section)], name, value, true);
}

QStringList IniDocument::sectionNames() const {
    QStringList names;
    names.reserve(sections_.size());
    for (const Section& section : sections_) {
        names.append(section.name);
    }
    return names;
}

QStringList IniDocument::entryNames(const QString& section) const {
    QStringList names;
    if (const Section* found = findSection(section)) {
        names.reserve(found->entries.size());
        for (const Entry& entry : found->entries) {
            names.append(entry.name);
        }
    }
    return names;
}

std::optional<int> IniDocument::parseInteger(const QString& text) {
    QStringView digits(text);
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'-' || digits.front() == u'+')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    const bool hex =
        digits.size() > 2 && digits[0] == u'0' && (digits[1] == u'x' || digits[1] == u'X');
    if (hex) {
        digits = digits.mid(2);
    }
    if (digits.isEmpty()) {
        return std::nullopt;
    }

    const int base = hex ? 16 : 10;
    // Hexadecimal is a 32-bit pattern; decimal may reach 2^31 only as a negative number.
    const quint64 limit =
        hex ? 0xFFFFFFFFull
            : static_cast<quint64>(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    quint64 magnitude = 0;
    for (const QChar c : digits) {
        const int digit = hex ? hexDigitValue(c) : (isAsciiDigit(c) ? c.unicode() - u'0' : -1);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * static_cast<quint64>(base) + static_cast<quint64>(digit);
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    // Unsigned arithmetic wraps as two's complement: 0xFFFFFFFF is -1, -2147483648 stays exact.
    const auto pattern = static_cast<quint32>(magnitude);
    return static_cast<int>(negative ? 0u - pattern : pattern);
}

const IniDocument::Section* IniDocument::findSection(const QString& name) const {
    const auto found = sectionIndex_.constFind(foldName(name));
    return found == sectionIndex_.constEnd() ? nullptr : &sections_[found.value()];
}

qsizetype IniDocument::sectionPosition(const QString& name) {
    const QString key = foldName(name);
    const auto found = sectionIndex_.constFind(key);
    if (found != sectionIndex_.constEnd()) {
        return found.value();
    }
    sectionIndex_.insert(key, sections_.size());
    sections_.append(Section{name, {}, {}});
    return sections_.size() - 1;
}

void IniDocument::putEntry(Section& section, const QString& name, const QString& value,
                           bool replaceExisting) {
    const QString key = foldName(name);
    const auto found = section.entryIndex.constFind(key);
    if (found != section.entryIndex.constEnd()) {
        if (replaceExisting) {
            section.entries[found.value()].value = value;
        }
        return;
    }
    section.entryIndex.insert(key, section.entries.size());
    section.entries.append(Entry{name, value});
}

}  // namespace karvo
