#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

namespace karvo {

// The time separator of a locale, taken from its short time format ("HH:mm" gives ":",
// "H.mm" gives "."); ":" when the format has none.
QString timeSeparator(const QLocale& locale);

// "[" + hh + sep + mm + sep + ss + "] " + message; 24-hour clock, two digits each.
QString formatLogLine(const QTime& time, const QString& message, const QLocale& locale);

}  // namespace karvo
