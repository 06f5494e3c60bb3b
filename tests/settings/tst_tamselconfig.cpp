#include "KarvoError.h"
#include "TamselConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace karvo;

namespace {

// A byte string literal with its embedded NUL bytes, without the terminating one.
template <std::size_t N>
QByteArray bytes(const char (&literal)[N]) {
    return QByteArray(literal, N - 1);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The message of the KarvoError a write throws, or nothing.
template <typename Write>
std::optional<QString> writeError(Write write) {
    try {
        write();
    } catch (const KarvoError& error) {
        return error.message();
    }
    return std::nullopt;
}

}  // namespace

class TestTamselConfig : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fixtureWorks();
    void pathForExecutable_data();
    void pathForExecutable();
    void firstStartGivesDefaults();
    void fileOfAFreshStart();
    void everyWriteReachesTheDisk();
    void loadedOnceAtTheFirstOperation();
    void handEditedValues_data();
    void handEditedValues();
    void handEditedOrderKept();
    void readingNeverWrites();
    void writeFailureKeepsTheValue_data();
    void writeFailureKeepsTheValue();
    void unreadableFileIsNeverReplaced_data();
    void unreadableFileIsNeverReplaced();
    void garbageFiles_data();
    void garbageFiles();
    void linkAndModeKept();

private:
    QString settingsPath() const { return dir_->filePath("KarvoWheelConfig.ini"); }

    std::optional<QTemporaryDir> dir_;
};

void TestTamselConfig::init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
}

void TestTamselConfig::cleanup() {
    QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    dir_.reset();
}

void TestTamselConfig::fixtureWorks() {
    writeFile(settingsPath(), "[A]\r\nB=7\r\n");
    QCOMPARE(readFile(settingsPath()), QByteArray("[A]\r\nB=7\r\n"));
    TamselConfig config(settingsPath());
    QCOMPARE(config.filePath(), settingsPath());
    QCOMPARE(config.ReadInteger("A", "B", 0), 7);
}

void TestTamselConfig::pathForExecutable_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no extension") << "/opt/karvo/KarvoWheelConfig"
                                  << "/opt/karvo/KarvoWheelConfig.ini";
    QTest::newRow("extension replaced") << "/opt/karvo/KarvoWheelConfig.exe"
                                        << "/opt/karvo/KarvoWheelConfig.ini";
    QTest::newRow("dot in a folder name") << "/opt/karvo.d/KarvoWheelConfig"
                                          << "/opt/karvo.d/KarvoWheelConfig.ini";
    QTest::newRow("last extension only") << "/opt/karvo/config.tar.gz"
                                         << "/opt/karvo/config.tar.ini";
    QTest::newRow("Windows-style name") << "C:\\Apps\\Wheel\\Config.exe"
                                        << "C:\\Apps\\Wheel\\Config.ini";
}

void TestTamselConfig::pathForExecutable() {
    QFETCH(QString, executable);
    QFETCH(QString, expected);
    QCOMPARE(TamselConfig::pathForExecutable(executable), expected);
}

void TestTamselConfig::firstStartGivesDefaults() {
    TamselConfig config(settingsPath());
    QCOMPARE(config.ReadBool("Debug", "LogToFile", false), false);
    QCOMPARE(config.ReadBool("Debug", "LogToFile", true), true);
    QCOMPARE(config.ReadInteger("Themes", "Active", 0), 0);
    QCOMPARE(config.ReadInteger("Profiles", "ActiveProfile", 0), 0);
    QCOMPARE(config.ReadInteger("Profiles", "ActiveProfile", -1), -1);
    QVERIFY(!QFile::exists(settingsPath()));

    config.WriteInteger("Profiles", "ActiveProfile", 0);
    QCOMPARE(readFile(settingsPath()), QByteArray("[Profiles]\r\nActiveProfile=0\r\n\r\n"));
}

void TestTamselConfig::fileOfAFreshStart() {
    // Light theme chosen, debug log enabled, "Profile 3" loaded.
    TamselConfig config(settingsPath());
    config.WriteInteger("Themes", "Active", 1);
    config.WriteBool("Debug", "LogToFile", true);
    config.WriteInteger("Profiles", "ActiveProfile", 2);
    QCOMPARE(readFile(settingsPath()), QByteArray("[Themes]\r\nActive=1\r\n\r\n"
                                                  "[Debug]\r\nLogToFile=1\r\n\r\n"
                                                  "[Profiles]\r\nActiveProfile=2\r\n\r\n"));
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"KarvoWheelConfig.ini"});
}

void TestTamselConfig::everyWriteReachesTheDisk() {
    TamselConfig config(settingsPath());
    config.WriteBool("Debug", "LogToFile", true);
    QCOMPARE(readFile(settingsPath()), QByteArray("[Debug]\r\nLogToFile=1\r\n\r\n"));
    config.WriteBool("Debug", "LogToFile", false);
    QCOMPARE(readFile(settingsPath()), QByteArray("[Debug]\r\nLogToFile=0\r\n\r\n"));
    config.WriteInteger("Profiles", "ActiveProfile", -1);
    QCOMPARE(readFile(settingsPath()), QByteArray("[Debug]\r\nLogToFile=0\r\n\r\n"
                                                  "[Profiles]\r\nActiveProfile=-1\r\n\r\n"));

    TamselConfig nextRun(settingsPath());
    QCOMPARE(nextRun.ReadBool("Debug", "LogToFile", true), false);
    QCOMPARE(nextRun.ReadInteger("Profiles", "ActiveProfile", 0), -1);
}

void TestTamselConfig::loadedOnceAtTheFirstOperation() {
    TamselConfig config(settingsPath());
    // Nothing is read at construction: a file that appears before the first operation counts.
    writeFile(settingsPath(), "[Themes]\r\nActive=1\r\n");
    QCOMPARE(config.ReadInteger("Themes", "Active", 0), 1);

    // Later changes by another program are not seen, and the next write overwrites them.
    writeFile(settingsPath(), "[Themes]\r\nActive=0\r\n[Other]\r\nX=1\r\n");
    QCOMPARE(config.ReadInteger("Themes", "Active", 0), 1);
    config.WriteBool("Debug", "LogToFile", true);
    QCOMPARE(readFile(settingsPath()),
             QByteArray("[Themes]\r\nActive=1\r\n\r\n[Debug]\r\nLogToFile=1\r\n\r\n"));
}

void TestTamselConfig::handEditedValues_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("integerWithDefault7");
    QTest::addColumn<bool>("boolWithDefaultFalse");
    QTest::addColumn<bool>("boolWithDefaultTrue");

    QTest::newRow("true") << QByteArray("true") << 7 << false << true;
    QTest::newRow("5") << QByteArray("5") << 5 << true << true;
    QTest::newRow("0x1") << QByteArray("0x1") << 1 << true << true;
    QTest::newRow("0") << QByteArray("0") << 0 << false << false;
    QTest::newRow("-1") << QByteArray("-1") << -1 << true << true;
    QTest::newRow("spaces around") << QByteArray("  3 ") << 3 << true << true;
    QTest::newRow("empty") << QByteArray("") << 7 << false << true;
    QTest::newRow("text") << QByteArray("abc") << 7 << false << true;
    QTest::newRow("out of range") << QByteArray("4294967296") << 7 << false << true;
}

void TestTamselConfig::handEditedValues() {
    QFETCH(QByteArray, value);
    QFETCH(int, integerWithDefault7);
    QFETCH(bool, boolWithDefaultFalse);
    QFETCH(bool, boolWithDefaultTrue);

    writeFile(settingsPath(), "[debug]\nlogtofile=" + value + "\n");
    TamselConfig config(settingsPath());
    QCOMPARE(config.ReadInteger("Debug", "LogToFile", 7), integerWithDefault7);
    QCOMPARE(config.ReadBool("Debug", "LogToFile", false), boolWithDefaultFalse);
    QCOMPARE(config.ReadBool("Debug", "LogToFile", true), boolWithDefaultTrue);
}

void TestTamselConfig::handEditedOrderKept() {
    writeFile(settingsPath(), "[Profiles]\nActiveProfile=3\n[Debug]\nLogToFile=1\nLevel=9\n");
    TamselConfig config(settingsPath());
    config.WriteInteger("Themes", "Active", 1);
    config.WriteInteger("profiles", "activeprofile", 4);
    QCOMPARE(readFile(settingsPath()), QByteArray("[Profiles]\r\nActiveProfile=4\r\n\r\n"
                                                  "[Debug]\r\nLogToFile=1\r\nLevel=9\r\n\r\n"
                                                  "[Themes]\r\nActive=1\r\n\r\n"));
}

void TestTamselConfig::readingNeverWrites() {
    const QByteArray handEdited = "[Debug]\nLogToFile=true\n";
    writeFile(settingsPath(), handEdited);
    TamselConfig config(settingsPath());
    QCOMPARE(config.ReadBool("Debug", "LogToFile", false), false);
    QCOMPARE(config.ReadInteger("Themes", "Active", 0), 0);
    QCOMPARE(readFile(settingsPath()), handEdited);
}

void TestTamselConfig::writeFailureKeepsTheValue_data() {
    QTest::addColumn<QString>("cause");
    QTest::addColumn<int>("error");

    QTest::newRow("folder missing") << "missing" << ENOENT;
    QTest::newRow("folder read-only") << "read-only" << EACCES;
}

void TestTamselConfig::writeFailureKeepsTheValue() {
    QFETCH(QString, cause);
    QFETCH(int, error);

    const QString folder = dir_->filePath("app");
    const QString path = folder + "/KarvoWheelConfig.ini";
    if (cause == "read-only") {
        QVERIFY(QDir().mkpath(folder));
        writeFile(path, "[Themes]\r\nActive=1\r\n\r\n");
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP(
                "Running with privileges that ignore folder permissions; the missing-folder "
                "row covers the same failure");
        }
    }
    const QByteArray before = readFile(path);

    TamselConfig config(path);
    QCOMPARE(writeError([&] { config.WriteInteger("Profiles", "ActiveProfile", 3); }),
             std::optional<QString>("Cannot create file \"" + path + "\". " +
                                    QString::fromLocal8Bit(std::strerror(error))));
    QCOMPARE(config.ReadInteger("Profiles", "ActiveProfile", 0), 3);
    QCOMPARE(readFile(path), before);

    // The next write that succeeds carries the earlier value along.
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    config.WriteBool("Debug", "LogToFile", true);
    const QByteArray kept = cause == "read-only" ? QByteArray("[Themes]\r\nActive=1\r\n\r\n") : "";
    QCOMPARE(readFile(path), kept +
                                 "[Profiles]\r\nActiveProfile=3\r\n\r\n"
                                 "[Debug]\r\nLogToFile=1\r\n\r\n");
}

// A settings file that exists but cannot be read holds settings this copy does not know: reads
// give their defaults, and writes fail instead of replacing it with the new entries alone.
void TestTamselConfig::unreadableFileIsNeverReplaced_data() {
    QTest::addColumn<QString>("cause");
    QTest::newRow("no read permission") << "mode";
    QTest::newRow("a folder") << "folder";
}

void TestTamselConfig::unreadableFileIsNeverReplaced() {
    QFETCH(QString, cause);
    const QString path = settingsPath();
    const QByteArray contents("[Themes]\r\nActive=1\r\n\r\n[Profiles]\r\nActiveProfile=4\r\n");
    if (cause == "mode") {
        writeFile(path, contents);
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        if (::access(QFile::encodeName(path).constData(), R_OK) == 0) {
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            QSKIP("Running with privileges that ignore file permissions; the folder row covers "
                  "a file that exists but cannot be read");
        }
    } else {
        QVERIFY(QDir().mkpath(path));
    }

    TamselConfig config(path);
    QCOMPARE(config.ReadInteger("Profiles", "ActiveProfile", 0), 0);
    const std::optional<QString> error =
        writeError([&] { config.WriteInteger("Themes", "Active", 0); });
    QVERIFY(error.has_value());
    QVERIFY2(error->startsWith("Cannot create file \"" + QDir::cleanPath(path) + "\". "),
             qPrintable(*error));
    QCOMPARE(config.ReadInteger("Themes", "Active", 1), 0);  // kept in memory
    if (cause == "mode") {
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(readFile(path), contents);
    } else {
        QVERIFY(QFileInfo(path).isDir());
    }
}

void TestTamselConfig::garbageFiles_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<int>("activeProfile");

    QByteArray binary;
    for (int i = 0; i < 2048; ++i) {
        binary.append(static_cast<char>((i * 131) % 256));
    }
    QTest::newRow("empty") << QByteArray() << "Profiles" << 0;
    QTest::newRow("binary") << binary << "Profiles" << 0;
    QTest::newRow("binary around an entry")
        << binary + "\r\n[Profiles]\r\nActiveProfile=4\r\n" + binary << "Profiles" << 4;
    QTest::newRow("lines without =")
        << QByteArray("[Profiles]\r\nActiveProfile\r\nnoise\r\n") << "Profiles" << 0;
    QTest::newRow("duplicates, first wins")
        << QByteArray(
               "[Profiles]\r\nActiveProfile=2\r\nActiveProfile=4\r\n[PROFILES]\r\n"
               "ActiveProfile=1\r\nOther=5\r\n")
        << "Profiles" << 2;
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF[Profiles]\r\nActiveProfile=1\r\n")
                                << "Profiles" << 1;
    QTest::newRow("UTF-16LE mark") << bytes(
                                          "\xFF\xFE[\0P\0]\0\n\0A\0P\0=\0"
                                          "3\0")
                                   << "P" << 3;
}

void TestTamselConfig::garbageFiles() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(int, activeProfile);

    writeFile(settingsPath(), file);
    TamselConfig config(settingsPath());
    const QString name = section == "P" ? "AP" : "ActiveProfile";
    QCOMPARE(config.ReadInteger(section, name, 0), activeProfile);
    QCOMPARE(config.ReadBool("Debug", "LogToFile", false), false);
    config.WriteInteger("Themes", "Active", 1);

    // The rewritten file holds every entry that could be read before, and the new one.
    const IniDocument before = IniDocument::parse(file);
    const IniDocument after = IniDocument::parse(readFile(settingsPath()));
    QCOMPARE(after.value("Themes", "Active"), std::optional<QString>("1"));
    QCOMPARE(after.value(section, name), before.value(section, name));
    for (const QString& s : before.sectionNames()) {
        for (const QString& n : before.entryNames(s)) {
            QCOMPARE(after.value(s, n), before.value(s, n));
        }
    }
}

void TestTamselConfig::linkAndModeKept() {
    QVERIFY(QDir(dir_->path()).mkdir("real"));
    const QString target = dir_->filePath("real/settings.ini");
    writeFile(target, "[Themes]\r\nActive=0\r\n");
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(QFile::link(target, settingsPath()));

    TamselConfig config(settingsPath());
    config.WriteInteger("Themes", "Active", 1);

    QVERIFY(QFileInfo(settingsPath()).isSymLink());
    QCOMPARE(readFile(target), QByteArray("[Themes]\r\nActive=1\r\n\r\n"));
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, 0640u);
}

QTEST_GUILESS_MAIN(TestTamselConfig)
#include "tst_tamselconfig.moc"
