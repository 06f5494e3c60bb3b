#pragma once

#include <QByteArray>
#include <QString>

namespace karvo {

// The ANSI code page of the log and settings files.
QString fromWindows1252(const QByteArray& bytes);
// Characters without a Windows-1252 byte become '?'.
QByteArray toWindows1252(const QString& text);

}  // namespace karvo
