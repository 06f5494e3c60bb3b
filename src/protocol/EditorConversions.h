#pragma once

// The fixed rules by which numbers cross between the editor controls and the records: gain
// sliders, spin edits, number text edits and the labels of the live statistics.

#include <QLocale>
#include <QString>
#include <QtGlobal>

#include "Records.h"

namespace karvo {

// A gain slider position (0 to 100) as the wire value: position x 100, in 16 bits.
quint16 gainToWire(int position);

// A wire gain as a slider position: value / 100 with the remainder dropped, at most 100.
int gainFromWire(quint16 value);

// The value moved into [min, max], as a slider does with a position it is given. A range with
// max below min is taken as [min, min].
int clampToRange(qint64 value, int min, int max);

// A spin-edit value as an integer field: truncated toward zero, the low 32 bits kept
// (-2.5 gives -2, i.e. 0xFFFFFFFE). A value that is not finite gives 0.
quint32 truncateToU32(double value);
qint32 truncateToI32(double value);

// The 32-bit float nearest to the value (round to nearest, ties to even); values beyond the
// float range become the largest float or infinity, as that rounding gives.
float nearestFloat(double value);

// A number text edit's text as the nearest float. Accepted: blanks around the number, an
// optional sign, digits with at most one decimal separator of the locale (at least one digit
// in all), an optional exponent (E or e, optional sign, digits). No group separators.
// Throws KarvoError "'<text>' is not a valid floating point value" for anything else.
float parseLocaleFloat(const QString& text, const QLocale& locale);

// Fixed-point texts with the locale's decimal separator and no group separators, rounded half
// away from zero: pattern "0.0000" for the number text edits, "0.00" for the statistics labels.
// A value that rounds to zero carries no sign; a non-finite value gives "NAN", "INF" or "-INF".
QString formatFourDecimals(float value, const QLocale& locale);
QString formatTwoDecimals(float value, const QLocale& locale);

// The four version bytes in decimal, joined by dots in byte order ("1.2.0.7").
QString firmwareVersionText(const TFirmwareVersion& version);

}  // namespace karvo
