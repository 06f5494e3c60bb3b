#include "IniDocument.h"
#include "Windows1252.h"

#include <QTest>

#include <limits>
#include <optional>

using namespace karvo;

namespace {

// A byte string literal with its embedded NUL bytes, without the terminating one.
template <std::size_t N>
QByteArray bytes(const char (&literal)[N]) {
    return QByteArray(literal, N - 1);
}

}  // namespace

class TestIniDocument : public QObject {
    Q_OBJECT

private slots:
    void parseInteger_data();
    void parseInteger();
    void lookup_data();
    void lookup();
    void writtenForm();
    void orderKeptAndNewNamesAppended();
    void onlyEntriesSurviveARewrite();
    void encodingOfWrittenText();
    void garbageKeepsReadableEntries_data();
    void garbageKeepsReadableEntries();
    void hugeFile();
};

void TestIniDocument::parseInteger_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int>>("expected");

    const auto none = std::optional<int>();
    QTest::newRow("zero") << "0" << std::optional(0);
    QTest::newRow("decimal") << "123" << std::optional(123);
    QTest::newRow("negative") << "-5" << std::optional(-5);
    QTest::newRow("plus sign") << "+7" << std::optional(7);
    QTest::newRow("leading zeros") << "007" << std::optional(7);
    QTest::newRow("largest") << "2147483647" << std::optional(std::numeric_limits<int>::max());
    QTest::newRow("smallest") << "-2147483648" << std::optional(std::numeric_limits<int>::min());
    QTest::newRow("too large") << "2147483648" << none;
    QTest::newRow("too small") << "-2147483649" << none;
    QTest::newRow("far too large") << "99999999999999999999999" << none;
    QTest::newRow("hex") << "0x1" << std::optional(1);
    QTest::newRow("hex, capitals") << "0X1F" << std::optional(31);
    QTest::newRow("hex, mixed case digits") << "0xaB" << std::optional(171);
    QTest::newRow("hex, 32-bit pattern") << "0xFFFFFFFF" << std::optional(-1);
    QTest::newRow("hex, sign bit")
        << "0x80000000" << std::optional(std::numeric_limits<int>::min());
    QTest::newRow("hex, negative") << "-0x10" << std::optional(-16);
    QTest::newRow("hex, 33 bits") << "0x100000000" << none;
    QTest::newRow("hex prefix alone") << "0x" << none;
    QTest::newRow("hex, bad digit") << "0x1G" << none;
    QTest::newRow("hand-edited true") << "true" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("sign alone") << "-" << none;
    QTest::newRow("two signs") << "--5" << none;
    QTest::newRow("fraction") << "1.5" << none;
    QTest::newRow("space inside") << "1 2" << none;
    QTest::newRow("leading space") << " 5" << none;
    QTest::newRow("other script digits") << QStringLiteral("\u0663") << none;
    QTest::newRow("Pascal hex") << "$10" << none;
}

void TestIniDocument::parseInteger() {
    QFETCH(QString, text);
    QFETCH(std::optional<int>, expected);
    QCOMPARE(IniDocument::parseInteger(text), expected);
}

void TestIniDocument::lookup_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::optional<QString>>("expected");

    const auto none = std::optional<QString>();
    const auto one = std::optional<QString>("1");
    QTest::newRow("CR LF") << QByteArray("[Debug]\r\nLogToFile=1\r\n") << "Debug"
                           << "LogToFile" << one;
    QTest::newRow("LF") << QByteArray("[Debug]\nLogToFile=1\n") << "Debug"
                        << "LogToFile" << one;
    QTest::newRow("CR") << QByteArray("[Debug]\rLogToFile=1") << "Debug"
                        << "LogToFile" << one;
    QTest::newRow("names in any case") << QByteArray("[DEBUG]\r\nlogtofile=1\r\n") << "Debug"
                                       << "LogToFile" << one;
    QTest::newRow("white space around")
        << QByteArray("  [ Debug ] \r\n\t LogToFile =  1 \r\n") << "Debug"
        << "LogToFile" << one;
    QTest::newRow("missing entry") << QByteArray("[Debug]\r\nOther=1\r\n") << "Debug"
                                   << "LogToFile" << none;
    QTest::newRow("missing section") << QByteArray("[Themes]\r\nLogToFile=1\r\n") << "Debug"
                                     << "LogToFile" << none;
    QTest::newRow("empty value") << QByteArray("[Debug]\r\nLogToFile=\r\n") << "Debug"
                                 << "LogToFile" << std::optional<QString>("");
    QTest::newRow("value holding =") << QByteArray("[A]\r\nKey=a=b\r\n") << "A"
                                     << "Key" << std::optional<QString>("a=b");
    QTest::newRow("first of two keys") << QByteArray("[A]\r\nKey=1\r\nKEY=2\r\n") << "A"
                                       << "key" << one;
    QTest::newRow("first of two sections")
        << QByteArray("[A]\r\nKey=1\r\n[B]\r\n[a]\r\nKey=2\r\n") << "A"
        << "Key" << one;
    QTest::newRow("entry of a repeated section")
        << QByteArray("[A]\r\nx=0\r\n[a]\r\nKey=1\r\n") << "A"
        << "Key" << one;
    QTest::newRow("line without =") << QByteArray("[A]\r\nKey\r\nOther=1\r\n") << "A"
                                    << "Other" << one;
    QTest::newRow("comment") << QByteArray("[A]\r\n;Key=1\r\n") << "A"
                             << ";Key" << none;
    QTest::newRow("before any section") << QByteArray("Key=1\r\n[A]\r\n") << "A"
                                        << "Key" << none;
    QTest::newRow("nameless section") << QByteArray("[]\r\nKey=1\r\n") << ""
                                      << "Key" << one;
    QTest::newRow("Windows-1252") << QByteArray("[A]\r\nKey=\xE9\x80\r\n") << "A"
                                  << "Key"
                                  << std::optional<QString>(QStringLiteral("\u00e9\u20ac"));
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF[A]\r\nKey=\xC3\xA9\r\n") << "a"
                                << "key" << std::optional<QString>(QStringLiteral("\u00e9"));
    QTest::newRow("UTF-16LE mark") << bytes("\xFF\xFE[\0A\0]\0\n\0K\0=\0\xA9\x03") << "A"
                                   << "K" << std::optional<QString>(QStringLiteral("\u03A9"));
    QTest::newRow("UTF-16BE mark, odd length") << bytes(
                                                      "\xFE\xFF\0[\0A\0]\0\n\0K\0=\0"
                                                      "5"
                                                      "\0")
                                               << "A"
                                               << "K" << std::optional<QString>("5");
    QTest::newRow("NUL bytes") << bytes("[A]\r\n\0\0\0\r\nKey=1\r\n") << "A"
                               << "Key" << one;
    QTest::newRow("empty file") << QByteArray() << "A"
                                << "Key" << none;
    QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF") << "A"
                               << "Key" << none;
}

void TestIniDocument::lookup() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(std::optional<QString>, expected);
    QCOMPARE(IniDocument::parse(file).value(section, name), expected);
}

void TestIniDocument::writtenForm() {
    IniDocument document;
    document.setValue("Themes", "Active", "1");
    document.setValue("Debug", "LogToFile", "1");
    document.setValue("Profiles", "ActiveProfile", "2");
    QCOMPARE(document.serialize(), QByteArray("[Themes]\r\nActive=1\r\n\r\n"
                                              "[Debug]\r\nLogToFile=1\r\n\r\n"
                                              "[Profiles]\r\nActiveProfile=2\r\n\r\n"));
    QCOMPARE(IniDocument().serialize(), QByteArray());
}

void TestIniDocument::orderKeptAndNewNamesAppended() {
    IniDocument document =
        IniDocument::parse("[profiles]\nactiveprofile=3\nExtra=x\n[Debug]\nLogToFile=0\n");
    document.setValue("Debug", "Level", "2");
    document.setValue("Themes", "Active", "1");
    document.setValue("PROFILES", "ActiveProfile", "4");
    document.setValue("debug", "LOGTOFILE", "1");

    // Existing names keep their spelling; new ones come last.
    QCOMPARE(document.sectionNames(), (QStringList{"profiles", "Debug", "Themes"}));
    QCOMPARE(document.entryNames("Debug"), (QStringList{"LogToFile", "Level"}));
    QCOMPARE(document.serialize(), QByteArray("[profiles]\r\nactiveprofile=4\r\nExtra=x\r\n\r\n"
                                              "[Debug]\r\nLogToFile=1\r\nLevel=2\r\n\r\n"
                                              "[Themes]\r\nActive=1\r\n\r\n"));
}

void TestIniDocument::onlyEntriesSurviveARewrite() {
    // Text before the first section, comments, lines without '=' and repeated keys are not
    // entries; a repeated section is merged into the first.
    const IniDocument document = IniDocument::parse(
        "stray=1\r\n; comment\r\n[A]\r\nnot an entry\r\nKey = 1\r\nkey=2\r\n\r\n\r\n"
        "[B]\r\nb=1\r\n[a]\r\nKey=3\r\nMore=4\r\n");
    QCOMPARE(document.serialize(), QByteArray("[A]\r\nKey=1\r\nMore=4\r\n\r\n[B]\r\nb=1\r\n\r\n"));
}

void TestIniDocument::encodingOfWrittenText() {
    IniDocument document;
    document.setValue(QStringLiteral("Caf\u00e9"), "Euro", QStringLiteral("\u20ac \u03A9"));
    // Windows-1252 without a mark; a character it lacks becomes '?'.
    QCOMPARE(document.serialize(), QByteArray("[Caf\xE9]\r\nEuro=\x80 ?\r\n\r\n"));
}

void TestIniDocument::garbageKeepsReadableEntries_data() {
    QTest::addColumn<QByteArray>("file");

    QByteArray binary;
    for (int i = 0; i < 4096; ++i) {
        binary.append(static_cast<char>((i * 7919) % 251));
    }
    QTest::newRow("binary") << binary;
    QTest::newRow("binary after a section") << QByteArray("[Debug]\r\nLogToFile=1\r\n") + binary;
    QTest::newRow("brackets only") << QByteArray("[\r\n]\r\n[[]]\r\n[=]\r\n=\r\n==\r\n");
    QTest::newRow("UTF-16 mark, invalid halves") << bytes("\xFF\xFE\x00\xD8\x00\xDC\x00\xD8");
    QTest::newRow("UTF-8 mark, invalid bytes") << QByteArray("\xEF\xBB\xBF[A]\r\n\xC3=\xFF\xFE");
}

void TestIniDocument::garbageKeepsReadableEntries() {
    QFETCH(QByteArray, file);

    // Every entry survives a rewrite, its text as Windows-1252 can hold it.
    const auto asWritten = [](const QString& text) { return fromWindows1252(toWindows1252(text)); };
    const IniDocument first = IniDocument::parse(file);
    const IniDocument again = IniDocument::parse(first.serialize());
    QCOMPARE(again.sectionNames().size(), first.sectionNames().size());
    for (const QString& section : first.sectionNames()) {
        QCOMPARE(again.entryNames(asWritten(section)).size(), first.entryNames(section).size());
        for (const QString& name : first.entryNames(section)) {
            QCOMPARE(again.value(asWritten(section), asWritten(name)),
                     std::optional<QString>(asWritten(*first.value(section, name))));
        }
    }
    QCOMPARE(again.serialize(), first.serialize());
}

void TestIniDocument::hugeFile() {
    // Some megabytes of entries in one section, every one distinct, and the settings at the end.
    QByteArray file = "[Noise]\r\n";
    const int count = 100000;
    for (int i = 0; i < count; ++i) {
        file += "Entry" + QByteArray::number(i) + "=value number " + QByteArray::number(i) + "\r\n";
    }
    file += "[Debug]\r\nLogToFile=1\r\n";

    IniDocument document = IniDocument::parse(file);
    QCOMPARE(document.value("Debug", "LogToFile"), std::optional<QString>("1"));
    QCOMPARE(document.value("noise", "entry99999"), std::optional<QString>("value number 99999"));
    QCOMPARE(document.entryNames("Noise").size(), count);

    document.setValue("Themes", "Active", "1");
    const IniDocument reread = IniDocument::parse(document.serialize());
    QCOMPARE(reread.value("Noise", "Entry12345"), std::optional<QString>("value number 12345"));
    QCOMPARE(reread.value("Themes", "Active"), std::optional<QString>("1"));
}

QTEST_GUILESS_MAIN(TestIniDocument)
#include "tst_inidocument.moc"
