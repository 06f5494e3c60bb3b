#include <sys/types.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {
const QString kProgramName = QStringLiteral("KarvoWheelConfig");

QStringList logLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The log is written in the Windows code page with CR LF; the lines looked at here are ASCII.
    return QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

int countLinesEndingWith(const QStringList& lines, const QString& message) {
    int count = 0;
    for (const QString& line : lines) {
        if (line.endsWith(QStringLiteral("] ") + message))
            ++count;
    }
    return count;
}

bool fileContains(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(text);
}
}  // namespace

// SIGTERM (log-out, shutdown) reaching the running program: the session end is logged and the
// program ends with exit code 0 without its close handler, so the active profile is not stored.
class TstSessionEnd : public QObject {
    Q_OBJECT
private slots:
    void sigtermEndsSessionWithoutClose();
};

void TstSessionEnd::sigtermEndsSessionWithoutClose() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A private copy of the program, so that its settings file (program path + ".ini") is ours.
    const QString program = dir.filePath(kProgramName);
    QVERIFY2(QFile::copy(QStringLiteral(KARVO_PROGRAM_PATH), program), KARVO_PROGRAM_PATH);
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));
    // The theme pictures are read relative to the working directory; without them a message
    // box would hold up the start.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("themes")));
    for (const QString& picture : {QStringLiteral("bg_dark.png"), QStringLiteral("bg_light.png")}) {
        QVERIFY(QFile::copy(QStringLiteral(KARVO_THEMES_DIR "/") + picture,
                            dir.filePath(QStringLiteral("themes/") + picture)));
    }
    const QString settings = program + QStringLiteral(".ini");
    const QString applicationLog = dir.filePath(QStringLiteral("application.log"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The simulated wheel base keeps its flash under the data directory: keep it in ours.
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    // No system bus, whatever the machine has: the program must run without one.
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("no-system-bus")));
    // What is measured is the exit code of the session end; leaks are other tests' business.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir.path());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, {QStringLiteral("--simulate")});
    QVERIFY2(process.waitForStarted(30000), qPrintable(process.errorString()));

    QTRY_VERIFY_WITH_TIMEOUT(
        countLinesEndingWith(logLines(applicationLog),
                             QStringLiteral("Device found and connected.")) == 1,
        60000);
    // The start-up profile load stores the active profile once; take that file away, so that
    // any later store (the close handler) would show as a new file holding the entry.
    QTRY_VERIFY_WITH_TIMEOUT(fileContains(settings, "ActiveProfile"), 60000);
    QVERIFY(QFile::remove(settings));
    QCOMPARE(process.state(), QProcess::Running);

    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), SIGTERM), 0);
    QVERIFY(process.waitForFinished(60000));

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QStringList lines = logLines(applicationLog);
    QCOMPARE(countLinesEndingWith(lines, QStringLiteral(" Windows shutdown mode executed")), 1);
    QCOMPARE(
        countLinesEndingWith(lines, QStringLiteral("Power events are not followed: no system bus")),
        1);
    QVERIFY2(!fileContains(settings, "ActiveProfile"),
             "the close handler stored the active profile");
}

QTEST_GUILESS_MAIN(TstSessionEnd)
#include "tst_session_end.moc"
