#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace karvo {

// The parsed form of a settings file: sections and entries in file order, names matched without
// regard to case. Parsing never fails: unreadable lines are skipped, and for duplicate sections
// or keys the first one wins.
//
// Reading: a byte-order mark selects UTF-8, UTF-16 LE or UTF-16 BE, otherwise Windows-1252. Lines
// end with CR LF, LF or CR; names and values lose their surrounding white space. Lines starting
// with ';' are comments. Lines before the first section header, lines without '=' and comments
// are not entries: they are dropped and do not come back when the document is written. A section
// that appears twice is one section: the entries of the second are added to the first unless the
// first already has them.
class IniDocument {
public:
    static IniDocument parse(const QByteArray& fileBytes);
    // CR LF lines, Windows-1252, no byte-order mark; each section followed by an empty line.
    QByteArray serialize() const;

    std::optional<QString> value(const QString& section, const QString& name) const;
    void setValue(const QString& section, const QString& name, const QString& value);

    // Names as they stand in the document, in order.
    QStringList sectionNames() const;
    QStringList entryNames(const QString& section) const;

    // "123", "-5", "0x1F" give numbers; anything else nothing. Decimal must fit 32 bits signed;
    // hexadecimal (after "0x" or "0X", up to 0xFFFFFFFF) is the 32-bit pattern, so 0xFFFFFFFF is
    // -1. An optional '+' or '-' may lead either.
    static std::optional<int> parseInteger(const QString& text);

private:
    struct Entry {
        QString name;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
        QHash<QString, qsizetype> entryIndex;  // case-folded name -> position in entries
    };

    const Section* findSection(const QString& name) const;
    // Finds the section, appending it when it is new.
    qsizetype sectionPosition(const QString& name);
    static void putEntry(Section& section, const QString& name, const QString& value,
                         bool replaceExisting);

    QList<Section> sections_;
    QHash<QString, qsizetype> sectionIndex_;  // case-folded name -> position in sections_
};

}  // namespace karvo
