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
    // Throw KarvoError when the file cannot be written; the value stays in memory and reaches the
    // file with the next write that succeeds.
    void WriteInteger(const QString& section, const QString& name, int value);
    void WriteBool(const QString& section, const QString& name, bool value);

    QString filePath() const { return filePath_; }

private:
    IniDocument& document();
    void save();

    QString filePath_;
    std::optional<IniDocument> document_;
};

}  // namespace karvo
