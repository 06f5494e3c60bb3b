#pragma once

#include <QFile>
#include <QString>
#include <mutex>

#include "Records.h"

namespace karvo {

// A text trace of the reports that cross the wire of a simulated wheel base, one line per
// report: "> " and the bytes of an output report the base receives, "< " and the bytes of an
// input report it sends; bytes in lowercase hexadecimal separated by single spaces. The file is
// opened for appending and every line is flushed at once, so a trace survives a crash.
// Thread-safe: the GUI thread and a reader thread write to one trace.
//
// Streamed reports are input reports and are traced as well; at the fast stream rates that is
// one line (about 200 bytes and a flush) per report.
class WireTrace {
public:
    explicit WireTrace(QString path);
    WireTrace(const WireTrace&) = delete;
    WireTrace& operator=(const WireTrace&) = delete;

    void outgoing(ByteView report);
    void incoming(ByteView report);

    QString path() const { return path_; }
    // Empty while the trace can be written; otherwise why it cannot.
    QString error() const;

    // The line for a report, without its line end.
    static QByteArray formatLine(char direction, ByteView report);

private:
    void writeLine(char direction, ByteView report);

    const QString path_;
    mutable std::mutex mutex_;
    QFile file_;
    QString error_;
};

}  // namespace karvo
