#pragma once

#include "IniDocument.h"

#include <QString>

#include <optional>

namespace karvo {

// The settings component: an INI file held in memory, loaded at the first operation and rewritten
// whole at every write. Reading never writes; a missing file is created by the first write.
class TamselConfig {
public:
    explicit TamselConfig(QString filePath);

    // The executable's path with its extension replaced by ".ini".
    static QString pathForExecutable(const QString& executablePath);

    int ReadInteger(const QString& section, const QString& name, int defaultValue);
    bool ReadBool(const QString& section, const QString& name, bool defaultValue);
    // Throw KarvoError when the file cannot be written, or when it exists but could not be read
    // (replacing it would lose the settings in it); the value stays in memory and reaches the
    // file with the next write that succeeds.
    void WriteInteger(const QString& section, const QString& name, int value);
    void WriteBool(const QString& section, const QString& name, bool value);

    QString filePath() const { return filePath_; }

private:
    IniDocument& document();
    void save();

    QString filePath_;
    std::optional<IniDocument> document_;
    // Why a file that exists could not be read at the first operation; empty when it was read
    // or did not exist. Such a file is never replaced: it holds settings this copy lacks.
    QString unreadable_;
};

}  // namespace karvo
