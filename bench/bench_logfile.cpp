// The append of one line to a log file, as every record dump and every SetSysLog line does it:
// open, lock, sniff the encoding, write, close. Relative and absolute names, a new (empty) file
// and a file that already holds lines.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "AppendLogText.h"
#include "JsonDump.h"
#include "Records.h"

using namespace karvo;

namespace {

// A typical effect-force dump line.
QString dumpLine() {
    TFFBReport record{};
    record.constantForce = 1234.5f;
    record.springForce = -87.25f;
    record.totalForce = 4321.125f;
    return DumpRecordJson(record) + QStringLiteral("\r\n");
}

void BM_AppendLine(benchmark::State& state) {
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const bool absolute = state.range(0) != 0;
    const QString name =
        absolute ? dir.filePath(QStringLiteral("debug.log")) : QStringLiteral("debug.log");
    const QString line = dumpLine();
    for (auto _ : state)
        AppendLogText(name, line);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * line.size());
    const qint64 expected = static_cast<qint64>(state.iterations()) * line.size();
    if (QFile(dir.filePath(QStringLiteral("debug.log"))).size() != expected)
        state.SkipWithError("the file does not hold every line");
    QDir::setCurrent(oldCwd);
}
BENCHMARK(BM_AppendLine)
    ->Name("append_log_text/relative_name")
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendLine)
    ->Name("append_log_text/absolute_name")
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

void BM_DumpLine(benchmark::State& state) {
    for (auto _ : state) {
        QString line = dumpLine();
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_DumpLine)->Name("dump_text/TFFBReport_with_line_end");

}  // namespace
