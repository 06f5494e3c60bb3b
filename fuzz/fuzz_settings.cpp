// Parses arbitrary bytes as a settings file, reads its values the way the program does, and
// checks that writing the document and reading it back gives the same entries, with their text as
// Windows-1252 can hold it.

#include "IniDocument.h"
#include "Windows1252.h"

#include <QHash>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

using karvo::IniDocument;

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_settings: %s\n", what);
        std::abort();
    }
}

QString asWritten(const QString& text) {
    return karvo::fromWindows1252(karvo::toWindows1252(text));
}

void readLikeTheProgram(const IniDocument& document) {
    static const std::pair<const char*, const char*> kSettings[] = {
        {"Profiles", "ActiveProfile"}, {"Themes", "Active"}, {"Debug", "LogToFile"}};
    for (const auto& [section, name] : kSettings) {
        if (const auto text = document.value(section, name)) {
            // A number read from the file reads the same once written back as the program
            // writes integers.
            if (const auto number = IniDocument::parseInteger(*text)) {
                check(IniDocument::parseInteger(QString::number(*number)) == number,
                      "integer does not survive being written");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const IniDocument document = IniDocument::parse(bytes);
    readLikeTheProgram(document);

    // What each entry must read as after a rewrite: the first value under its name as written.
    QHash<std::pair<QString, QString>, QString> expected;
    QHash<QString, int> sectionsExpected;
    for (const QString& section : document.sectionNames()) {
        const QString writtenSection = asWritten(section);
        sectionsExpected.insert(writtenSection.toCaseFolded(), 0);
        for (const QString& name : document.entryNames(section)) {
            const auto value = document.value(section, name);
            check(value.has_value(), "listed entry has no value");
            const std::pair<QString, QString> key(writtenSection.toCaseFolded(),
                                                  asWritten(name).toCaseFolded());
            if (!expected.contains(key)) {
                expected.insert(key, asWritten(*value));
            }
        }
    }

    const QByteArray written = document.serialize();
    const IniDocument reread = IniDocument::parse(written);
    check(reread.sectionNames().size() == sectionsExpected.size(), "section count changed");
    qsizetype entries = 0;
    for (const QString& section : reread.sectionNames()) {
        entries += reread.entryNames(section).size();
    }
    check(entries == expected.size(), "entry count changed");
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        check(reread.value(it.key().first, it.key().second) == it.value(), "value changed");
    }
    // The first rewrite may hold two sections whose names became equal in Windows-1252 (they are
    // merged when read back); from the second on, a rewrite changes nothing.
    const QByteArray rewritten = reread.serialize();
    check(IniDocument::parse(rewritten).serialize() == rewritten, "rewrite is not stable");
    return 0;
}
