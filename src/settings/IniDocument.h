#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace karvo {

// The parsed form of a settings file: sections and entries in file order, names matched without
// regard to case. Parsing never fails: unreadable lines are skipped, and for duplicate sections
// or keys the first one wins.
class IniDocument {
public:
    static IniDocument parse(const QByteArray& fileBytes);
    // CR LF lines, Windows-1252, no byte-order mark; each section followed by an empty line.
    QByteArray serialize() const;

    std::optional<QString> value(const QString& section, const QString& name) const;
    void setValue(const QString& section, const QString& name, const QString& value);

    // "123", "-5", "0x1F" give numbers; anything else nothing.
    static std::optional<int> parseInteger(const QString& text);

private:
    struct Entry {
        QString name;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };
    QList<Section> sections_;
};

}  // namespace karvo
