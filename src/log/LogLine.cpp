#include "LogLine.h"

namespace karvo {

namespace {

constexpr QChar kQuote = u'\'';

// Index of the first of the letters in `letters` at or after `from`, outside quoted text; -1 if
// there is none.
qsizetype findField(const QString& format, qsizetype from, QStringView letters) {
    bool quoted = false;
    for (qsizetype i = from; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == kQuote) {
            quoted = !quoted;
        } else if (!quoted && letters.contains(c)) {
            return i;
        }
    }
    return -1;
}

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString timeSeparator(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const QString fallback = QStringLiteral(":");

    const qsizetype hour = findField(format, 0, u"hH");
    if (hour < 0) {
        return fallback;
    }
    qsizetype afterHour = hour;
    while (afterHour < format.size() && format[afterHour] == format[hour]) {
        ++afterHour;
    }
    const qsizetype minute = findField(format, afterHour, u"m");
    if (minute < 0) {
        return fallback;
    }
    // Formats such as "HH 'h' mm" put quoted text between the fields: its letters and quotes are
    // not separators, the first other character is.
    for (qsizetype i = afterHour; i < minute; ++i) {
        const QChar c = format[i];
        const bool pair = c.isHighSurrogate() && i + 1 < minute && format[i + 1].isLowSurrogate();
        const char32_t codePoint = pair ? QChar::surrogateToUcs4(c, format[i + 1]) : c.unicode();
        if (c == kQuote || QChar::isLetter(codePoint)) {
            i += pair ? 1 : 0;
            continue;
        }
        return format.mid(i, pair ? 2 : 1);
    }
    return fallback;
}

QString formatLogLine(const QTime& time, const QString& message, const QLocale& locale) {
    // An invalid time (a broken clock) still gives a well-formed line.
    const QTime shown = time.isValid() ? time : QTime(0, 0);
    const QString separator = timeSeparator(locale);
    return QLatin1Char('[') + twoDigits(shown.hour()) + separator + twoDigits(shown.minute()) +
           separator + twoDigits(shown.second()) + QStringLiteral("] ") + message;
}

}  // namespace karvo
