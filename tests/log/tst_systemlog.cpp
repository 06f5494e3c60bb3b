#include "SystemLog.h"

#include "LogLine.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace karvo;

namespace {

// Stands in for the main window: records what the status line and the log view receive.
class RecordingView : public LogView {
public:
    void setStatusText(const QString& text) override { statusTexts.append(text); }
    void appendLogLine(const QString& line) override { lines.append(line); }

    QStringList statusTexts;  // every text status panel 0 was given, in order
    QStringList lines;        // the log view's lines
};

// A clock that answers with the given times in turn and then stays at the last.
SystemLog::Clock clockOf(QList<QTime> times) {
    return [times, next = qsizetype(0)]() mutable {
        const QTime time = times[qMin(next, times.size() - 1)];
        ++next;
        return time;
    };
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestSystemLog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fixtureWorks();
    void appStatusReadsTheClockTwice();
    void sysLogGoesToViewAndFile();
    void separatorOfTheLocale();
    void defaultFileIsInCurrentDirectory();
    void defaultClockAndLocale();
    void failedWriteShownOnceUntilAWriteSucceeds();

private:
    std::optional<QTemporaryDir> dir_;
    QString savedCurrent_;
    RecordingView view_;
    const QLocale colonLocale_ = QLocale(QLocale::English, QLocale::UnitedStates);
};

void TestSystemLog::init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
    savedCurrent_ = QDir::currentPath();
    view_ = RecordingView();
}

void TestSystemLog::cleanup() {
    QDir::setCurrent(savedCurrent_);
    dir_.reset();
}

void TestSystemLog::fixtureWorks() {
    const auto clock = clockOf({QTime(1, 2, 3), QTime(4, 5, 6)});
    auto copy = clock;
    QCOMPARE(copy(), QTime(1, 2, 3));
    QCOMPARE(copy(), QTime(4, 5, 6));
    QCOMPARE(copy(), QTime(4, 5, 6));
    view_.setStatusText("s");
    view_.appendLogLine("l");
    QCOMPARE(view_.statusTexts, QStringList{"s"});
    QCOMPARE(view_.lines, QStringList{"l"});
}

void TestSystemLog::appStatusReadsTheClockTwice() {
    SystemLog log(view_);
    log.setLocale(colonLocale_);
    log.setLogFilePath(dir_->filePath("application.log"));
    log.setClock(clockOf({QTime(9, 5, 7), QTime(9, 5, 8)}));

    log.SetAppStatus("Device not accessible");

    QCOMPARE(view_.statusTexts, QStringList{"[09:05:07] Device not accessible"});
    QCOMPARE(view_.lines, QStringList{"[09:05:08] Device not accessible"});
    QVERIFY(!QFile::exists(dir_->filePath("application.log")));
}

void TestSystemLog::sysLogGoesToViewAndFile() {
    SystemLog log(view_);
    log.setLocale(colonLocale_);
    log.setLogFilePath(dir_->filePath("application.log"));
    log.setClock(clockOf({QTime(23, 59, 59), QTime(0, 0, 1)}));

    log.SetSysLog(" Windows is requesting shutdown mode");
    log.SetSysLog("Device found and connected.");

    QCOMPARE(view_.lines, (QStringList{"[23:59:59]  Windows is requesting shutdown mode",
                                       "[00:00:01] Device found and connected."}));
    QVERIFY(view_.statusTexts.isEmpty());
    QCOMPARE(readFile(dir_->filePath("application.log")),
             QByteArray("[23:59:59]  Windows is requesting shutdown mode\r\n"
                        "[00:00:01] Device found and connected.\r\n"));
}

void TestSystemLog::separatorOfTheLocale() {
    SystemLog log(view_);
    log.setLocale(QLocale(QLocale::Finnish, QLocale::Finland));
    log.setLogFilePath(dir_->filePath("application.log"));
    log.setClock(clockOf({QTime(14, 2, 31)}));

    log.SetAppStatus("Failed to send data to device");
    log.SetSysLog("FW Version: 1.2.3.4");

    QCOMPARE(view_.statusTexts, QStringList{"[14.02.31] Failed to send data to device"});
    QCOMPARE(view_.lines, (QStringList{"[14.02.31] Failed to send data to device",
                                       "[14.02.31] FW Version: 1.2.3.4"}));
    QCOMPARE(readFile(dir_->filePath("application.log")),
             QByteArray("[14.02.31] FW Version: 1.2.3.4\r\n"));
}

void TestSystemLog::defaultFileIsInCurrentDirectory() {
    QVERIFY(QDir(dir_->path()).mkdir("first"));
    QVERIFY(QDir(dir_->path()).mkdir("second"));
    SystemLog log(view_);
    log.setLocale(colonLocale_);
    log.setClock(clockOf({QTime(10, 0, 0)}));

    QVERIFY(QDir::setCurrent(dir_->filePath("first")));
    log.SetSysLog("a");
    QVERIFY(QDir::setCurrent(dir_->filePath("second")));
    log.SetSysLog("b");

    QCOMPARE(readFile(dir_->filePath("first/application.log")), QByteArray("[10:00:00] a\r\n"));
    QCOMPARE(readFile(dir_->filePath("second/application.log")), QByteArray("[10:00:00] b\r\n"));
}

void TestSystemLog::defaultClockAndLocale() {
    SystemLog log(view_);
    log.setLogFilePath(dir_->filePath("application.log"));
    const QTime before = QTime::currentTime();
    log.SetAppStatus("now");
    const QTime after = QTime::currentTime();

    const QRegularExpression shape(QStringLiteral("^\\[(\\d\\d)\\D+(\\d\\d)\\D+(\\d\\d)\\] now$"));
    const QString status = view_.statusTexts.value(0);
    const QRegularExpressionMatch match = shape.match(status);
    QVERIFY2(match.hasMatch(), qPrintable(status));
    const QTime shown(match.captured(1).toInt(), match.captured(2).toInt(),
                      match.captured(3).toInt());
    // The system locale's separator and the wall clock at the moment of the call.
    QCOMPARE(status, formatLogLine(shown, "now", QLocale::system()));
    if (after >= before) {
        QVERIFY2(QTime(before.hour(), before.minute(), before.second()) <= shown && shown <= after,
                 qPrintable(status));
    }
}

void TestSystemLog::failedWriteShownOnceUntilAWriteSucceeds() {
    const QString folder = dir_->filePath("logs");
    SystemLog log(view_);
    log.setLocale(colonLocale_);
    log.setLogFilePath(folder + "/application.log");
    log.setClock(clockOf({QTime(8, 0, 0)}));

    // The folder is missing: the callers go on, the user is told once.
    log.SetSysLog("one");
    log.SetSysLog("two");
    QCOMPARE(view_.statusTexts, QStringList{"[08:00:00] The specified path was not found"});
    QCOMPARE(view_.lines,
             (QStringList{"[08:00:00] one", "[08:00:00] The specified path was not found",
                          "[08:00:00] two"}));

    // The log works again: its lines go to the file and nothing new is shown.
    QVERIFY(QDir().mkpath(folder));
    log.SetSysLog("three");
    QCOMPARE(view_.statusTexts.size(), 1);
    QCOMPARE(readFile(folder + "/application.log"), QByteArray("[08:00:00] three\r\n"));

    // It breaks anew: shown again, once.
    QVERIFY(QDir(folder).removeRecursively());
    log.SetSysLog("four");
    log.SetSysLog("five");
    QCOMPARE(view_.statusTexts, (QStringList{"[08:00:00] The specified path was not found",
                                             "[08:00:00] The specified path was not found"}));
    QCOMPARE(view_.lines.mid(4),
             (QStringList{"[08:00:00] four", "[08:00:00] The specified path was not found",
                          "[08:00:00] five"}));
}

QTEST_GUILESS_MAIN(TestSystemLog)
#include "tst_systemlog.moc"
