#pragma once

#include "Records.h"

#include <QString>

namespace karvo {

// One JSON object per record, no whitespace, members ordered by the name hash (largest first).
// Unsigned 32-bit fields are written as unsigned numbers; booleans as true/false; floats with
// formatDumpFloat. No line break is appended here.
QString DumpRecordJson(const TMotorConfig& record);
QString DumpRecordJson(const TWheelBaseConfig& record);
QString DumpRecordJson(const TUserEffectConfig& record);
QString DumpRecordJson(const TFFBReport& record);

// The float widened to double, rounded to 15 significant digits, trailing zeros dropped; fixed
// notation for decimal exponents -4..14, otherwise d.dddE[-]x; always a full stop; zero (also
// negative zero) is "0"; a non-finite value is "null".
QString formatDumpFloat(float value);

// The member-order hash: h := h * 129 + c + 0x9E370001 (mod 2^32) over the name's characters.
quint32 dumpNameHash(const QString& name);

}  // namespace karvo
