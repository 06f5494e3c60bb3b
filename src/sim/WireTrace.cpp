#include "WireTrace.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcTrace, "karvo.sim.trace", QtInfoMsg)

namespace karvo {

WireTrace::WireTrace(QString path) : path_(std::move(path)), file_(path_) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error_ =
            QStringLiteral("cannot open the wire trace %1: %2").arg(path_, file_.errorString());
        qCWarning(lcTrace).noquote() << error_;
    }
}

void WireTrace::outgoing(ByteView report) {
    writeLine('>', report);
}

void WireTrace::incoming(ByteView report) {
    writeLine('<', report);
}

QString WireTrace::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

QByteArray WireTrace::formatLine(char direction, ByteView report) {
    static constexpr char kDigits[] = "0123456789abcdef";
    QByteArray line;
    line.reserve(2 + 3 * static_cast<qsizetype>(report.size()));
    line.append(direction);
    for (const quint8 byte : report) {
        line.append(' ');
        line.append(kDigits[byte >> 4]);
        line.append(kDigits[byte & 0x0F]);
    }
    if (report.empty())
        line.append(' ');
    return line;
}

void WireTrace::writeLine(char direction, ByteView report) {
    const QByteArray line = formatLine(direction, report) + '\n';
    std::lock_guard lock(mutex_);
    if (!file_.isOpen())
        return;
    if (file_.write(line) != line.size() || !file_.flush()) {
        // Report a failing disk once, then stop trying.
        error_ =
            QStringLiteral("cannot write the wire trace %1: %2").arg(path_, file_.errorString());
        qCWarning(lcTrace).noquote() << error_;
        file_.close();
    }
}

}  // namespace karvo
