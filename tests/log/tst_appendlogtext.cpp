#include "AppendLogText.h"
#include "KarvoError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace karvo;

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<unreadable>";
    }
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The message of the KarvoError that AppendLogText throws, or nothing.
std::optional<QString> appendError(const QString& path, const QString& text) {
    try {
        AppendLogText(path, text);
    } catch (const KarvoError& error) {
        return error.message();
    }
    return std::nullopt;
}

bool permissionsEnforced(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK) != 0;
}

// Limits the size a file of this process may grow to, as a full disk would; restores the limit
// and the default signal action when it goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace

class TestAppendLogText : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fixtureWorks();
    void encoding_data();
    void encoding();
    void successiveLinesAccumulate();
    void relativeNameFollowsCurrentDirectory();
    void colonIsAllowed();
    void nameChecks_data();
    void nameChecks();
    void longestAcceptedName();
    void cannotCreate_data();
    void cannotCreate();
    void cannotOpen_data();
    void cannotOpen();
    void lockedByAnotherWriter();
    void writeErrorOnDevice();
    void failedWriteKeepsEarlierContent_data();
    void failedWriteKeepsEarlierContent();

private:
    std::optional<QTemporaryDir> dir_;
    QString savedCurrent_;
};

void TestAppendLogText::init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
    savedCurrent_ = QDir::currentPath();
}

void TestAppendLogText::cleanup() {
    QDir::setCurrent(savedCurrent_);
    // Let the temporary folder be removed even if a test left it read-only.
    QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    dir_.reset();
}

void TestAppendLogText::fixtureWorks() {
    const QString path = dir_->filePath("plain.log");
    writeFile(path, "abc");
    QCOMPARE(readFile(path), QByteArray("abc"));
    QCOMPARE(appendError(path, "def"), std::nullopt);
    QCOMPARE(readFile(path), QByteArray("abcdef"));
}

void TestAppendLogText::encoding_data() {
    QTest::addColumn<std::optional<QByteArray>>("existing");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray asciiLine = "[09:00:00] Device found and connected.\r\n";
    const QString e = QStringLiteral("\u00e9");

    QTest::newRow("new file, ASCII: no mark")
        << std::optional<QByteArray>() << QString::fromLatin1(asciiLine) << asciiLine;
    QTest::newRow("new file, non-ASCII: mark + UTF-8")
        << std::optional<QByteArray>() << "[10:00:00] Wheel " + e + "\r\n"
        << kBom + "[10:00:00] Wheel \xC3\xA9\r\n";
    QTest::newRow("new file, empty text: empty file")
        << std::optional<QByteArray>() << QString() << QByteArray();
    QTest::newRow("ASCII file + ASCII: appended as is")
        << std::optional<QByteArray>(asciiLine) << "next\r\n"
        << asciiLine + "next\r\n";
    QTest::newRow("ASCII file + \u00e9: mark, old bytes, UTF-8")
        << std::optional<QByteArray>(asciiLine) << "Wheel " + e + "\r\n"
        << kBom + asciiLine + "Wheel \xC3\xA9\r\n";
    QTest::newRow("1252 file is converted to UTF-8")
        << std::optional<QByteArray>(QByteArray("caf\xE9 \x80 \x81\r\n")) << e
        << kBom + "caf\xC3\xA9 \xE2\x82\xAC \xC2\x81\r\n\xC3\xA9";
    QTest::newRow("empty file + non-ASCII: mark + text")
        << std::optional<QByteArray>(QByteArray()) << e << kBom + "\xC3\xA9";
    QTest::newRow("character outside 1252 converts too")
        << std::optional<QByteArray>(QByteArray("a")) << QStringLiteral("\u03A9")
        << kBom + "a\xCE\xA9";
    QTest::newRow("character outside the BMP")
        << std::optional<QByteArray>(QByteArray("a")) << QStringLiteral("\U0001F600")
        << kBom + "a\xF0\x9F\x98\x80";
    QTest::newRow("half a mark is 1252") << std::optional<QByteArray>(QByteArray("\xEF\xBB")) << e
                                         << kBom + "\xC3\xAF\xC2\xBB\xC3\xA9";
    QTest::newRow("UTF-8 file: appended, no second mark")
        << std::optional<QByteArray>(kBom + "old\r\n") << e + "\r\n"
        << kBom + "old\r\n\xC3\xA9\r\n";
    QTest::newRow("UTF-8 file + ASCII") << std::optional<QByteArray>(kBom) << "x\r\n"
                                        << kBom + "x\r\n";
    QTest::newRow("UTF-16LE file gets UTF-16LE") << std::optional<QByteArray>(QByteArray("\xFF\xFE"
                                                                                         "a\0",
                                                                                         4))
                                                 << e + "\r\n"
                                                 << QByteArray(
                                                        "\xFF\xFE"
                                                        "a\0"
                                                        "\xE9\0"
                                                        "\r\0"
                                                        "\n\0",
                                                        10);
    QTest::newRow("UTF-16BE file gets UTF-16BE")
        << std::optional<QByteArray>(QByteArray("\xFE\xFF\0a", 4)) << QStringLiteral("\u20AC")
        << QByteArray("\xFE\xFF\0a\x20\xAC", 6);
}

void TestAppendLogText::encoding() {
    QFETCH(std::optional<QByteArray>, existing);
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);

    const QString path = dir_->filePath("application.log");
    if (existing) {
        writeFile(path, *existing);
    }
    QCOMPARE(appendError(path, text), std::nullopt);
    QVERIFY(QFile::exists(path));
    QCOMPARE(readFile(path), expected);
}

void TestAppendLogText::successiveLinesAccumulate() {
    const QString path = dir_->filePath("application.log");
    AppendLogText(path, "one\r\n");
    AppendLogText(path, "two \u00e9\r\n");
    AppendLogText(path, "three\r\n");
    AppendLogText(path, "four \u00e9\r\n");
    QCOMPARE(readFile(path), kBom + "one\r\ntwo \xC3\xA9\r\nthree\r\nfour \xC3\xA9\r\n");
}

void TestAppendLogText::relativeNameFollowsCurrentDirectory() {
    QVERIFY(QDir(dir_->path()).mkdir("first"));
    QVERIFY(QDir(dir_->path()).mkdir("second"));
    QVERIFY(QDir::setCurrent(dir_->filePath("first")));
    AppendLogText("application.log", "1");
    QVERIFY(QDir::setCurrent(dir_->filePath("second")));
    AppendLogText("application.log", "2");
    AppendLogText("../first/application.log", "3");

    QCOMPARE(readFile(dir_->filePath("first/application.log")), QByteArray("13"));
    QCOMPARE(readFile(dir_->filePath("second/application.log")), QByteArray("2"));
}

void TestAppendLogText::colonIsAllowed() {
    // Linux file names may hold colons, so a name like "logs:old" is an ordinary file.
    const QString path = dir_->filePath("c:olon.log");
    QCOMPARE(appendError(path, "x"), std::nullopt);
    QCOMPARE(readFile(path), QByteArray("x"));
}

void TestAppendLogText::nameChecks_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << "Invalid characters in path";
    QTest::newRow("blank") << "  \t "
                           << "Invalid characters in path";
    QTest::newRow("NUL character")
        << QStringLiteral("a%1b.log").arg(QChar(u'\0')) << "Invalid characters in path";
    QTest::newRow("260 characters")
        << "/tmp/" + QString(255, u'a') << "The specified path is too long";
    QTest::newRow("length is checked first")
        << QString(300, u' ') << "The specified path is too long";
    QTest::newRow("missing folder") << "no-such-folder/application.log"
                                    << "The specified path was not found";
    QTest::newRow("missing folder, absolute") << "/no-such-folder-karvo/a/b.log"
                                              << "The specified path was not found";
    QTest::newRow("folder is a file") << "regular-file/application.log"
                                      << "The specified path was not found";
}

void TestAppendLogText::nameChecks() {
    QFETCH(QString, name);
    QFETCH(QString, expected);

    QVERIFY(QDir::setCurrent(dir_->path()));
    writeFile(dir_->filePath("regular-file"), "keep");
    QCOMPARE(appendError(name, "x"), std::optional<QString>(expected));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
             QStringList{"regular-file"});
    QCOMPARE(readFile(dir_->filePath("regular-file")), QByteArray("keep"));
}

void TestAppendLogText::longestAcceptedName() {
    const QString folder = dir_->path() + QLatin1Char('/');
    const QString longest = folder + QString(259 - folder.size(), u'n');
    QCOMPARE(longest.size(), 259);
    QCOMPARE(appendError(longest, "x"), std::nullopt);
    QCOMPARE(readFile(longest), QByteArray("x"));
    QCOMPARE(appendError(longest + u'n', "x"),
             std::optional<QString>("The specified path is too long"));
}

void TestAppendLogText::cannotCreate_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("error");

    QTest::newRow("read-only folder") << "read-only folder" << EACCES;
    QTest::newRow("link to a missing folder") << "dangling link" << ENOENT;
}

void TestAppendLogText::cannotCreate() {
    QFETCH(QString, setup);
    QFETCH(int, error);

    QVERIFY(QDir::setCurrent(dir_->path()));
    if (setup == "read-only folder") {
        QVERIFY(QDir(dir_->path()).mkdir("locked"));
        QVERIFY(QFile::setPermissions(dir_->filePath("locked"),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        if (!permissionsEnforced(dir_->filePath("locked"))) {
            QSKIP(
                "Running with privileges that ignore folder permissions; the link row covers "
                "the same error");
        }
    } else {
        QVERIFY(QFile::link(dir_->filePath("missing/target.log"), dir_->filePath("locked")));
    }
    const QString name = setup == "read-only folder" ? "locked/application.log" : "locked";
    const QString fullPath = dir_->filePath(name);

    QCOMPARE(appendError(name, "x"), std::optional<QString>("Cannot create file \"" + fullPath +
                                                            "\". " + systemText(error)));
}

void TestAppendLogText::cannotOpen_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("error");

    QTest::newRow("read-only file") << "read-only file" << EACCES;
    QTest::newRow("name of a folder") << "folder" << EISDIR;
}

void TestAppendLogText::cannotOpen() {
    QFETCH(QString, setup);
    QFETCH(int, error);

    QVERIFY(QDir::setCurrent(dir_->path()));
    const QString name = "application.log";
    if (setup == "folder") {
        QVERIFY(QDir(dir_->path()).mkdir(name));
    } else {
        writeFile(dir_->filePath(name), "old");
        QVERIFY(QFile::setPermissions(dir_->filePath(name), QFile::ReadOwner | QFile::ReadOther));
        if (::access(QFile::encodeName(dir_->filePath(name)).constData(), W_OK) == 0) {
            QSKIP(
                "Running with privileges that ignore file permissions; the folder row covers "
                "the same error");
        }
    }
    // The message carries the full path although the name was relative.
    QCOMPARE(appendError(name, "x"),
             std::optional<QString>("Cannot open file \"" + dir_->filePath(name) + "\". " +
                                    systemText(error)));
    if (setup != "folder") {
        QCOMPARE(readFile(dir_->filePath(name)), QByteArray("old"));
    }
}

void TestAppendLogText::lockedByAnotherWriter() {
    const QString path = dir_->filePath("application.log");
    writeFile(path, "old");
    const int other = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);

    QCOMPARE(appendError(path, "x"), std::optional<QString>("Cannot open file \"" + path + "\". " +
                                                            systemText(EWOULDBLOCK)));
    ::close(other);
    QCOMPARE(readFile(path), QByteArray("old"));
    // Once the other writer has let go, the line goes in.
    QCOMPARE(appendError(path, "x"), std::nullopt);
    QCOMPARE(readFile(path), QByteArray("oldx"));
}

void TestAppendLogText::writeErrorOnDevice() {
    if (!QFile::exists("/dev/full")) {
        QSKIP("This system has no /dev/full");
    }
    QCOMPARE(appendError("/dev/full", "x\r\n"), std::optional<QString>("Stream write error"));
}

void TestAppendLogText::failedWriteKeepsEarlierContent_data() {
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QString>("text");

    const QByteArray lines = "[09:00:00] first line\r\n[09:00:01] second line\r\n";
    QTest::newRow("append to a 1252 file") << lines << QString(64, u'x');
    QTest::newRow("append to a UTF-8 file") << kBom + lines << QString(64, u'\u00e9');
    QTest::newRow("conversion of a 1252 file")
        << QByteArray("caf\xE9\r\n") + lines << QString(64, u'\u00e9');
    QTest::newRow("conversion that only lacks the mark") << lines << QStringLiteral("\u00e9");
}

void TestAppendLogText::failedWriteKeepsEarlierContent() {
    QFETCH(QByteArray, existing);
    QFETCH(QString, text);

    const QString path = dir_->filePath("application.log");
    writeFile(path, existing);
    {
        // The disk fills up two bytes after the present end of the file.
        const FileSizeLimit limit(static_cast<rlim_t>(existing.size() + 2));
        QCOMPARE(appendError(path, text), std::optional<QString>("Stream write error"));
    }
    QCOMPARE(readFile(path), existing);
}

QTEST_GUILESS_MAIN(TestAppendLogText)
#include "tst_appendlogtext.moc"
