#pragma once

#include <QString>

namespace karvo {

// Appends text to the file named by path (relative names resolve against the current
// directory at the moment of the call), creating it if needed. Opens, writes and closes the file
// on every call. A file without a byte-order mark is taken as Windows-1252; a text that is not
// plain ASCII converts such a file to UTF-8 with a byte-order mark first. A file with a UTF-16
// byte-order mark receives the text in that UTF-16 flavour. Throws KarvoError with the texts:
// "The specified path is too long", "The path format is not supported",
// "Invalid characters in path", "The specified path was not found",
// "Cannot open file \"<full path>\". <reason>", "Cannot create file \"<full path>\". <reason>",
// "Stream write error", "Stream read error".
void AppendLogText(const QString& path, const QString& text);

}  // namespace karvo
