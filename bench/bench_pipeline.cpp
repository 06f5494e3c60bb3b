// The report pipeline under load: the real main window on the simulated wheel base, reports
// read by the real reader thread, handed over through the real hand-off, decoded, shown, dumped
// and (for answers) acknowledged by the real handler. A harness channel stamps every report with
// a sequence number and the moment its read completed; a wrapping input handler checks count
// and order and measures the hand-off latency before the window's own handler runs.
//
// One configuration per run; scripts/bench.sh runs the matrix. The same harness measures the
// idle cost (--rate 1khz) and memory over a long stream (--rss-every).
//
//   bench_pipeline [--source firmware|forces|answers] [--rate max|1khz|gentle]
//                  [--dump on|off] [--window shown|hidden] [--page debug|base]
//                  [--seconds N] [--warmup N] [--rss-every N] [--dir PATH]
//
// Prints key=value lines; exits 1 when a report was lost or reordered, or when the debug log
// does not hold one object per dumped report.

#include <sys/resource.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "DebugPage.h"
#include "HidController.h"
#include "Profiles.h"
#include "ReportProbe.h"
#include "ReportStamp.h"
#include "SimulatedHidBackend.h"
#include "StampedBackend.h"
#include "TMainForm.h"
#include "WheelBaseFirmware.h"

using namespace karvo;
using namespace karvo::bench;

namespace {

constexpr quint8 kResponseReport = 65;
constexpr quint8 kUnsolicited = 255;

struct Config {
    StampedChannel::Source source = StampedChannel::Source::Firmware;
    WheelBaseFirmware::StreamRate rate = WheelBaseFirmware::StreamRate::Max;
    bool dump = true;
    bool shown = true;
    bool debugPage = true;
    double seconds = 10;
    double warmup = 2;
    double rssEvery = 0;
    QString dir;
};

qint64 cpuNs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto ns = [](const timeval& t) {
        return static_cast<qint64>(t.tv_sec) * 1000000000 + static_cast<qint64>(t.tv_usec) * 1000;
    };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

long rssKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Objects in the debug log: every dumped record is one object without nested braces.
qint64 countObjects(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    qint64 objects = 0;
    while (!file.atEnd())
        objects += file.read(1 << 20).count('{');
    return objects;
}

bool isDumpedType(quint8 recordType) {
    return recordType == RecordType::MotorConfig || recordType == RecordType::WheelBaseConfig ||
           recordType == RecordType::UserEffectConfig || recordType == RecordType::FfbReport;
}

bool parse(const QStringList& arguments, Config* config) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Report pipeline harness"));
    parser.addHelpOption();
    const QCommandLineOption source(QStringLiteral("source"),
                                    QStringLiteral("firmware, forces or answers"),
                                    QStringLiteral("kind"), QStringLiteral("firmware"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("firmware stream: max, 1khz or gentle"),
                                  QStringLiteral("rate"), QStringLiteral("max"));
    const QCommandLineOption dump(QStringLiteral("dump"), QStringLiteral("on or off"),
                                  QStringLiteral("state"), QStringLiteral("on"));
    const QCommandLineOption window(QStringLiteral("window"), QStringLiteral("shown or hidden"),
                                    QStringLiteral("state"), QStringLiteral("shown"));
    const QCommandLineOption page(QStringLiteral("page"), QStringLiteral("debug or base"),
                                  QStringLiteral("page"), QStringLiteral("debug"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("measuring time"),
                                     QStringLiteral("s"), QStringLiteral("10"));
    const QCommandLineOption warmup(QStringLiteral("warmup"),
                                    QStringLiteral("time after connecting before measuring"),
                                    QStringLiteral("s"), QStringLiteral("2"));
    const QCommandLineOption rssEvery(QStringLiteral("rss-every"),
                                      QStringLiteral("print the resident set every s seconds"),
                                      QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("working directory (default: a new temporary one)"),
                                 QStringLiteral("path"));
    parser.addOptions({source, rate, dump, window, page, seconds, warmup, rssEvery, dir});
    parser.process(arguments);

    const QString sourceName = parser.value(source);
    if (sourceName == QLatin1String("firmware"))
        config->source = StampedChannel::Source::Firmware;
    else if (sourceName == QLatin1String("forces"))
        config->source = StampedChannel::Source::EffectForces;
    else if (sourceName == QLatin1String("answers"))
        config->source = StampedChannel::Source::EffectForceAnswers;
    else
        return false;
    const QString rateName = parser.value(rate);
    if (rateName == QLatin1String("max"))
        config->rate = WheelBaseFirmware::StreamRate::Max;
    else if (rateName == QLatin1String("1khz"))
        config->rate = WheelBaseFirmware::StreamRate::Fast1kHz;
    else if (rateName == QLatin1String("gentle"))
        config->rate = WheelBaseFirmware::StreamRate::Gentle;
    else
        return false;
    config->dump = parser.value(dump) != QLatin1String("off");
    config->shown = parser.value(window) != QLatin1String("hidden");
    config->debugPage = parser.value(page) != QLatin1String("base");
    bool ok = true;
    config->seconds = parser.value(seconds).toDouble(&ok);
    if (!ok || config->seconds <= 0)
        return false;
    config->warmup = parser.value(warmup).toDouble(&ok);
    if (!ok || config->warmup < 0)
        return false;
    config->rssEvery = parser.value(rssEvery).toDouble(&ok);
    if (!ok || config->rssEvery < 0)
        return false;
    config->dir = parser.value(dir);
    return true;
}

void print(const char* key, const QString& value) {
    std::printf("%s=%s\n", key, qPrintable(value));
}

void print(const char* key, double value, int decimals = 0) {
    std::printf("%s=%.*f\n", key, decimals, value);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Config config;
    if (!parse(QCoreApplication::arguments(), &config)) {
        std::fprintf(stderr, "bench_pipeline: bad option value (see --help)\n");
        return 2;
    }

    QTemporaryDir temporary;
    const QString workDir = config.dir.isEmpty() ? temporary.path() : config.dir;
    if (!QDir().mkpath(workDir) || !QDir::setCurrent(workDir)) {
        std::fprintf(stderr, "bench_pipeline: cannot use %s\n", qPrintable(workDir));
        return 2;
    }
    QFile::remove(QStringLiteral("debug.log"));
    // The theme pictures are read from the working directory, as when the program is started in
    // its own folder.
    QFile::link(QStringLiteral(KARVO_SOURCE_DIR "/themes"), QStringLiteral("themes"));

    // The simulated base, plugged in before start as in `KarvoWheelConfig --simulate`.
    auto simulated = std::make_unique<SimulatedHidBackend>();
    simulated->setNotifications(false);
    auto firmware = std::make_shared<WheelBaseFirmware>();
    const bool firmwareStreams = config.source == StampedChannel::Source::Firmware;
    firmware->setStreamRate(firmwareStreams ? config.rate : WheelBaseFirmware::StreamRate::Off);
    simulated->plugWheelBase(firmware);
    simulated->setNotifications(true);
    auto backend = std::make_unique<StampedBackend>(std::move(simulated), config.source);
    StampedBackend* stamped = backend.get();

    TMainForm::setMessageBoxHook([](QMessageBox::Icon, const QString& text) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
    });
    TMainForm::Options options;
    options.backend = std::move(backend);
    options.settingsPath = QDir(workDir).filePath(QStringLiteral("KarvoWheelConfig.ini"));
    TMainForm window(std::move(options));
    window.ui.debugPage->enableLogTofile->setChecked(config.dump);

    // The window's own handler, preceded by the probe.
    ReportProbe probe;
    quint64 dumped = 0;
    const bool answers = config.source == StampedChannel::Source::EffectForceAnswers;
    window.HIDCtl->setInputReportHandler([&](HidDevice* device, quint8 reportId, const quint8* data,
                                             quint16 size) {
        const qint64 startNs = ReportStamp::nowNs();
        probe.observe(data, size, startNs);
        if (reportId == kResponseReport && data && size > 1) {
            const quint8 requestId = data[1];
            // An answer stream: the request it answers has been sent.
            if (answers && requestId == StampedChannel::kAnswerRequestId)
                window.channel->RequestQ.setValue(QString::number(requestId), QStringLiteral("1"));
            const bool processed =
                requestId == kUnsolicited ||
                window.channel->RequestQ.value(QString::number(requestId)) == QLatin1String("1");
            if (processed && isDumpedType(data[0]) && window.logToFileChecked())
                ++dumped;
        }
        window.reports->HIDCtlDeviceData(device, reportId, data, size);
    });

    if (config.shown) {
        window.resize(
            MainWindowUi::kDesignClientWidth,
            MainWindowUi::kDesignClientHeight + window.menuBar()->sizeHint().height() + 19);
        window.show();
    }
    if (config.debugPage)
        window.ui.pageControl->setCurrentWidget(window.ui.sTabSheet3);

    // Phases: connect and settle, warm up, measure.
    QElapsedTimer wall;
    wall.start();
    qint64 windowStartWallNs = 0;
    qint64 windowStartCpuNs = 0;
    qint64 windowStartGuiCpuNs = 0;
    qint64 windowEndWallNs = 0;
    qint64 windowEndCpuNs = 0;
    qint64 windowEndGuiCpuNs = 0;
    quint64 windowReports = 0;
    quint64 dumpedAtStart = 0;
    bool settled = false;
    long rssAtStart = 0;
    long rssAtEnd = 0;
    int logLinesAtEnd = 0;

    QTimer rssTimer;
    QObject::connect(&rssTimer, &QTimer::timeout, [&] {
        const double t = (wall.nsecsElapsed() - windowStartWallNs) / 1e9;
        std::printf("rss t=%.0f s kib=%ld log_lines=%d reports=%llu\n", t, rssKiB(),
                    window.ui.debugPage->sysLog->blockCount(),
                    static_cast<unsigned long long>(probe.reports()));
        std::fflush(stdout);
    });

    const auto endWindow = [&] {
        windowEndWallNs = wall.nsecsElapsed();
        windowEndCpuNs = cpuNs(RUSAGE_SELF);
        windowEndGuiCpuNs = cpuNs(RUSAGE_THREAD);
        windowReports = probe.reports();
        rssAtEnd = rssKiB();
        logLinesAtEnd = window.ui.debugPage->sysLog->blockCount();
        QCoreApplication::quit();
    };
    const auto startWindow = [&] {
        probe.startWindow();
        dumpedAtStart = dumped;
        rssAtStart = rssKiB();
        windowStartWallNs = wall.nsecsElapsed();
        windowStartCpuNs = cpuNs(RUSAGE_SELF);
        windowStartGuiCpuNs = cpuNs(RUSAGE_THREAD);
        if (config.rssEvery > 0)
            rssTimer.start(static_cast<int>(config.rssEvery * 1000));
        QTimer::singleShot(static_cast<int>(config.seconds * 1000), Qt::PreciseTimer, endWindow);
    };
    QTimer settleCheck;
    QObject::connect(&settleCheck, &QTimer::timeout, [&] {
        const bool connected = window.ui.statusBar->panelText(4) == QLatin1String("Connected");
        const bool loaded =
            window.profiles->ProfileLoading.value(QStringLiteral("Loading")) ==
                QLatin1String("0") &&
            window.channel->RequestQ.value(QStringLiteral("224")) == QLatin1String("0");
        if (connected && loaded) {
            settled = true;
            settleCheck.stop();
            QTimer::singleShot(static_cast<int>(config.warmup * 1000), Qt::PreciseTimer,
                               startWindow);
        } else if (wall.elapsed() > 20000) {
            std::fprintf(stderr, "bench_pipeline: the simulated base did not connect\n");
            QCoreApplication::exit(3);
        }
    });
    settleCheck.start(5);

    const int loop = app.exec();
    rssTimer.stop();
    if (!settled || loop != 0)
        return loop != 0 ? loop : 3;

    const double seconds = (windowEndWallNs - windowStartWallNs) / 1e9;
    const double perThousand = windowReports ? 1000.0 / static_cast<double>(windowReports) : 0;
    const ReportProbe::Latency latency = probe.latency();
    const qint64 objects = config.dump ? countObjects(QStringLiteral("debug.log")) : 0;
    const quint64 read = stamped->reportsRead();

    const char* sourceNames[] = {"firmware", "forces", "answers"};
    const char* rateNames[] = {"off", "gentle", "1khz", "max"};
    print("source", QString::fromLatin1(sourceNames[static_cast<int>(config.source)]));
    print("rate", QString::fromLatin1(firmwareStreams ? rateNames[static_cast<int>(config.rate)]
                                                      : "as fast as read"));
    print("dump", QString::fromLatin1(config.dump ? "on" : "off"));
    print("window", QString::fromLatin1(config.shown ? "shown" : "hidden"));
    print("page", QString::fromLatin1(config.debugPage ? "debug" : "base"));
    print("qpa", QGuiApplication::platformName());
    print("seconds", seconds, 2);
    print("reports", static_cast<double>(windowReports));
    print("reports_per_s", static_cast<double>(windowReports) / seconds);
    print("dumped_per_s", static_cast<double>(dumped - dumpedAtStart) / seconds);
    print("latency_median_us", latency.medianNs / 1e3, 1);
    print("latency_p99_us", latency.p99Ns / 1e3, 1);
    print("latency_max_us", latency.maxNs / 1e3, 1);
    print("cpu_ms_per_1000", (windowEndCpuNs - windowStartCpuNs) / 1e6 * perThousand, 2);
    print("gui_cpu_ms_per_1000", (windowEndGuiCpuNs - windowStartGuiCpuNs) / 1e6 * perThousand, 2);
    print("cpu_percent_of_one_core", (windowEndCpuNs - windowStartCpuNs) / 1e7 / seconds, 2);
    print("rss_start_kib", static_cast<double>(rssAtStart));
    print("rss_end_kib", static_cast<double>(rssAtEnd));
    print("log_view_lines", static_cast<double>(logLinesAtEnd));
    print("handled_total", static_cast<double>(probe.totalReports()));
    print("read_total", static_cast<double>(read));
    print("lost", static_cast<double>(probe.lost()));
    print("reordered", static_cast<double>(probe.reordered()));
    print("unstamped", static_cast<double>(probe.unstamped()));
    print("dumped_total", static_cast<double>(dumped));
    print("debug_log_objects", static_cast<double>(objects));

    bool ok = probe.lost() == 0 && probe.reordered() == 0 && probe.unstamped() == 0;
    // At most the report being handed over when the loop ended is read and not yet handled.
    ok = ok && read >= probe.totalReports() && read - probe.totalReports() <= 1;
    if (config.dump)
        ok = ok && objects == static_cast<qint64>(dumped);
    print("check", QString::fromLatin1(ok ? "ok" : "FAILED"));
    std::fflush(stdout);
    TMainForm::setMessageBoxHook({});
    return ok ? 0 : 1;
}
