// Start to "Connected" with the simulated wheel base.
//
//   bench_startup [--runs N]
//       In this process: construct the main window on a new simulated base (streaming gently,
//       as `--simulate` does), show it, and time until status panel 4 reads "Connected" and
//       until the start-up profile load has been applied. The first run pays the one-time costs
//       of the process (fonts, styles); the median is over all runs.
//   bench_startup --process PATH [--runs N]
//       The whole program: start `PATH --simulate` in a new working directory and time until
//       "Device found and connected." appears in its application.log; then end it with SIGTERM.
//
// Prints one line per run and a summary (first, median, min, max in ms).

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "HidController.h"
#include "Profiles.h"
#include "SimulatedHidBackend.h"
#include "TMainForm.h"
#include "WheelBaseFirmware.h"

using namespace karvo;

namespace {

constexpr int kGiveUpMs = 20000;

// The window, with the moment its link text first turned "Connected" noted.
class TimedMainForm : public TMainForm {
public:
    TimedMainForm(Options options, const QElapsedTimer& clock)
        : TMainForm(std::move(options)), clock_(clock) {}

    void setLinkText(const QString& text) override {
        TMainForm::setLinkText(text);
        if (connectedNs_ < 0 && text == QLatin1String("Connected"))
            connectedNs_ = clock_.nsecsElapsed();
    }
    qint64 connectedNs() const { return connectedNs_; }

private:
    const QElapsedTimer& clock_;
    qint64 connectedNs_ = -1;
};

// Runs the event loop until done() holds or the time is up; polls every millisecond.
bool spinUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || waited.elapsed() > kGiveUpMs)
            loop.quit();
    });
    poll.start(1);
    if (!done())
        loop.exec();
    return done();
}

// The theme pictures are read from the working directory, as when the program is started in its
// own folder; without them the start would wait on a message box.
void linkThemes(const QTemporaryDir& dir) {
    QFile::link(QStringLiteral(KARVO_SOURCE_DIR "/themes"), dir.filePath(QStringLiteral("themes")));
}

struct Run {
    double connectedMs = 0;
    double settledMs = 0;
};

bool runInProcess(Run* run) {
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    linkThemes(dir);

    QElapsedTimer clock;
    clock.start();
    auto backend = std::make_unique<SimulatedHidBackend>();
    backend->setNotifications(false);
    auto firmware = std::make_shared<WheelBaseFirmware>();
    firmware->setStreamRate(WheelBaseFirmware::StreamRate::Gentle);
    backend->plugWheelBase(firmware);
    backend->setNotifications(true);
    TMainForm::Options options;
    options.backend = std::move(backend);
    options.settingsPath = dir.filePath(QStringLiteral("KarvoWheelConfig.ini"));
    bool ok = false;
    {
        TimedMainForm window(std::move(options), clock);
        window.resize(
            MainWindowUi::kDesignClientWidth,
            MainWindowUi::kDesignClientHeight + window.menuBar()->sizeHint().height() + 19);
        window.show();
        ok = spinUntil([&] { return window.connectedNs() >= 0; });
        run->connectedMs = window.connectedNs() / 1e6;
        ok = ok && spinUntil([&] {
                 return window.profiles->ProfileLoading.value(QStringLiteral("Loading")) ==
                            QLatin1String("0") &&
                        window.channel->RequestQ.value(QStringLiteral("224")) == QLatin1String("0");
             });
        run->settledMs = clock.nsecsElapsed() / 1e6;
    }
    QDir::setCurrent(oldCwd);
    return ok;
}

bool runProcess(const QString& program, Run* run) {
    QTemporaryDir dir;
    linkThemes(dir);
    QProcess process;
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The simulated base keeps its flash under the data directory: a fresh one per run.
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());

    const QString logPath = dir.filePath(QStringLiteral("application.log"));
    QElapsedTimer clock;
    clock.start();
    process.start(program, {QStringLiteral("--simulate")});
    if (!process.waitForStarted(kGiveUpMs)) {
        std::fprintf(stderr, "bench_startup: cannot start %s\n", qPrintable(program));
        return false;
    }
    bool found = false;
    while (!found && clock.elapsed() < kGiveUpMs && process.state() == QProcess::Running) {
        QFile log(logPath);
        if (log.open(QIODevice::ReadOnly) && log.readAll().contains("Device found and connected."))
            found = true;
        else
            QThread::usleep(500);
    }
    run->connectedMs = clock.nsecsElapsed() / 1e6;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return found;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void summary(const char* what, const std::vector<double>& values) {
    std::printf("%s first=%.1f median=%.1f min=%.1f max=%.1f ms (%zu runs)\n", what, values.front(),
                median(values), *std::min_element(values.begin(), values.end()),
                *std::max_element(values.begin(), values.end()), values.size());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("number of runs"),
                                  QStringLiteral("n"), QStringLiteral("20"));
    const QCommandLineOption process(QStringLiteral("process"),
                                     QStringLiteral("time the whole program at <path>"),
                                     QStringLiteral("path"));
    parser.addOptions({runs, process});
    parser.process(app);
    bool ok = false;
    const int count = parser.value(runs).toInt(&ok);
    if (!ok || count < 1) {
        std::fprintf(stderr, "bench_startup: --runs needs a positive number\n");
        return 2;
    }

    TMainForm::setMessageBoxHook([](QMessageBox::Icon, const QString& text) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
    });
    std::vector<double> connected;
    std::vector<double> settled;
    for (int i = 0; i < count; ++i) {
        Run run;
        const bool done =
            parser.isSet(process) ? runProcess(parser.value(process), &run) : runInProcess(&run);
        if (!done) {
            std::fprintf(stderr, "bench_startup: run %d did not connect\n", i + 1);
            return 1;
        }
        connected.push_back(run.connectedMs);
        if (parser.isSet(process)) {
            std::printf(
                "run %d: \"Device found and connected.\" in application.log after %.1f ms\n", i + 1,
                run.connectedMs);
        } else {
            settled.push_back(run.settledMs);
            std::printf("run %d: Connected after %.1f ms, profile applied after %.1f ms\n", i + 1,
                        run.connectedMs, run.settledMs);
        }
    }
    if (parser.isSet(process)) {
        summary("process start to \"Device found and connected.\":", connected);
    } else {
        summary("construct+show to \"Connected\":", connected);
        summary("construct+show to profile applied:", settled);
    }
    TMainForm::setMessageBoxHook({});
    return 0;
}
