// Log files that cannot be written: "application.log" in a current directory where it cannot be
// created, and a debug log below a regular file, while the base streams and answers. The
// program goes on without a message box, each failure is reported in the status line once,
// and every answer is still acknowledged. The tests run as root, so permissions cannot block a
// file; the paths are made impossible instead.

#include "AppFixture.h"

#include <QDir>

using namespace karvo;
using namespace karvo::test;

namespace {

// Log-view lines that carry the error text of a log file that cannot be written.
int errorLines(AppFixture& f) {
    int count = 0;
    for (const QString& line : f.logLines()) {
        if (line.contains(QStringLiteral("Cannot create file")) ||
            line.contains(QStringLiteral("Cannot open file")) ||
            line.contains(QStringLiteral("The specified path was not found")))
            ++count;
    }
    return count;
}

}  // namespace

class TestUnwritableLogs : public QObject {
    Q_OBJECT

private slots:
    void fixtureWorks() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        QVERIFY(f.fileInCwd(QStringLiteral("application.log")).contains("Device found and connected."));
    }

    void applicationLogCannotBeWritten_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("application.log is a folder") << QStringLiteral("folder");
        QTest::newRow("current folder removed") << QStringLiteral("removed");
    }
    void applicationLogCannotBeWritten() {
        QFETCH(QString, how);
        // Where a name resolved against a lost current folder would land.
        const QString strayLog = QStringLiteral("/application.log");
        const bool strayLogBefore = QFile::exists(strayLog);
        AppFixture f;
        // Nothing has been logged yet: the first pass runs when events are processed.
        QDir dir(f.dir.path());
        if (how == QLatin1String("folder")) {
            QVERIFY(dir.mkdir(QStringLiteral("application.log")));
        } else {
            QVERIFY(dir.mkdir(QStringLiteral("gone")));
            QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("gone"))));
            QVERIFY(dir.rmdir(QStringLiteral("gone")));
        }
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->setStreamRate(WheelBaseFirmware::StreamRate::Max);
        // Lines still reach the view, the failure is shown once however many lines follow.
        for (int i = 0; i < 20; ++i) f.w().SetSysLog(QStringLiteral("line %1").arg(i));
        QVERIFY(f.logLines().filter(QStringLiteral("] line 19")).size() == 1);
        // Answers keep being acknowledged (the firmware version answer logs a line too).
        f.firmware->clearReceived();
        f.w().channel->RequestFirmware();
        f.w().channel->RequestMotorConfig();
        QTRY_VERIFY(f.firmware->acknowledgements().contains(224));
        QTRY_VERIFY(f.firmware->acknowledgements().contains(226));
        QVERIFY(f.boxes.isEmpty());
        QCOMPARE(f.panel(4), QStringLiteral("Connected"));

        const bool wroteStrayLog = !strayLogBefore && QFile::exists(strayLog);
        if (wroteStrayLog) QFile::remove(strayLog);
        QVERIFY(!wroteStrayLog);
        QCOMPARE(errorLines(f), 1);
    }

    void debugLogCannotBeWritten() {
        AppFixture f;
        QFile blocker(f.dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString debugLog = f.dir.filePath(QStringLiteral("blocker/debug.log"));
        f.w().ui.debugPage->LogfileSelector->setText(debugLog);
        f.w().ui.debugPage->enableLogTofile->setChecked(true);
        QVERIFY(f.waitConnectedAndSettled());
        f.debugOnScreen();
        // Streamed effect forces are dumped, so every one of them fails.
        f.firmware->setStreamRate(WheelBaseFirmware::StreamRate::Max);
        QTRY_VERIFY(f.w().ui.debugPage->cPos->text() != QLatin1String("0"));
        // Answers that are dumped (wheel base, user effect, motor) are still acknowledged.
        f.firmware->clearReceived();
        f.w().ui.basePage->btnLoadProfile->click();
        f.w().channel->RequestMotorConfig();
        QTRY_VERIFY(f.firmware->acknowledgements().contains(227));
        QTRY_VERIFY(f.firmware->acknowledgements().contains(228));
        QTRY_VERIFY(f.firmware->acknowledgements().contains(226));
        QVERIFY(f.boxes.isEmpty());
        QVERIFY(!QFile::exists(debugLog));
        QVERIFY(errorLines(f) >= 1);
        QCOMPARE(errorLines(f), 1);
        QCOMPARE(f.panel(4), QStringLiteral("Connected"));
    }
};

QTEST_MAIN(TestUnwritableLogs)
#include "tst_unwritablelogs.moc"
