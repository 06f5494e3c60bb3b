// Karvo Wheel Configuration: finds the wheel base, edits its configuration and profiles, shows
// what it streams. With --simulate it talks to a built-in simulated wheel base instead.

#include "KarvoError.h"
#include "LinuxHidBackend.h"
#include "LogindMonitor.h"
#include "ScreenshotTour.h"
#include "SimulatedHidBackend.h"
#include "TMainForm.h"
#include "TamselConfig.h"
#include "TerminationSignals.h"
#include "WheelBaseFirmware.h"
#include "WireTrace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSessionManager>
#include <QStandardPaths>

#include <cstdio>

using namespace karvo;

namespace {

std::unique_ptr<HidBackend> makeSimulatedBackend(const QString& tracePath, const QString& rate) {
    auto firmware = std::make_shared<WheelBaseFirmware>();
    const QString stateDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(stateDir);
    // The simulated base keeps its saved profiles across runs, as a real one keeps them in flash.
    firmware->setStateFile(stateDir + QStringLiteral("/simulated-wheel-base.state"));
    if (!tracePath.isEmpty()) firmware->setTrace(std::make_shared<WireTrace>(tracePath));
    WheelBaseFirmware::StreamRate streamRate = WheelBaseFirmware::StreamRate::Gentle;
    if (rate == QLatin1String("off")) streamRate = WheelBaseFirmware::StreamRate::Off;
    if (rate == QLatin1String("1khz")) streamRate = WheelBaseFirmware::StreamRate::Fast1kHz;
    if (rate == QLatin1String("max")) streamRate = WheelBaseFirmware::StreamRate::Max;
    firmware->setStreamRate(streamRate);
    auto backend = std::make_unique<SimulatedHidBackend>();
    // Plugged in before start: found by the first pass, not announced as a change.
    backend->setNotifications(false);
    backend->plugWheelBase(firmware);
    backend->setNotifications(true);
    return backend;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KarvoWheelConfig"));
    QApplication::setOrganizationName(QStringLiteral("Karvo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(kApplicationTitle);
    parser.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Use the built-in simulated wheel base."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("With --simulate: append every report on the wire to <file>."),
                                   QStringLiteral("file"));
    const QCommandLineOption stream(QStringLiteral("stream"),
                                    QStringLiteral("With --simulate: statistics rate off, gentle, 1khz or max."),
                                    QStringLiteral("rate"), QStringLiteral("gentle"));
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("Save pictures of every page in both themes to <dir> and quit."),
                                         QStringLiteral("dir"));
    parser.addOptions({simulate, trace, stream, screenshots});
    parser.process(app);

    if (parser.isSet(trace) && !parser.isSet(simulate)) {
        std::fprintf(stderr, "--trace needs --simulate\n");
        return 2;
    }

    TMainForm::Options options;
    options.settingsPath = TamselConfig::pathForExecutable(QCoreApplication::applicationFilePath());
    if (parser.isSet(simulate))
        options.backend = makeSimulatedBackend(parser.value(trace), parser.value(stream));
    else
        options.backend = std::make_unique<LinuxHidBackend>();

    int exitCode = 0;
    {
        TMainForm window(std::move(options));

        // The end of the session: SIGTERM/SIGHUP at log-out and shutdown, logind's shutdown, and
        // the X11 session manager's request. Sleep and resume come from logind.
        TerminationSignals termination;
        QObject::connect(&termination, &TerminationSignals::terminationRequested, &window,
                         [&window](int) { window.power->WMENDSESSION(); });
        LogindMonitor logind(*window.power, [&window](const QString& msg) { window.SetSysLog(msg); });
        logind.start();
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &logind,
                         [&logind](QSessionManager&) { logind.sessionEndRequested(); });

        window.show();
        if (parser.isSet(screenshots)) startScreenshotTour(window, parser.value(screenshots));
        // A session end that arrived while the window was being shown has ended its loop already.
        if (!window.isTerminating()) exitCode = app.exec();
    }
    return exitCode;
}
