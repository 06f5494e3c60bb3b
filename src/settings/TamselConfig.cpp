#include "TamselConfig.h"

#include "KarvoError.h"
#include "WriteAll.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace karvo {

namespace {

constexpr int kTempNameAttempts = 16;

[[noreturn]] void failCreate(const QString& fullPath, const QString& reason) {
    throw KarvoError(QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath, reason));
}

[[noreturn]] void failCreate(const QString& fullPath, int error) {
    failCreate(fullPath, QString::fromLocal8Bit(std::strerror(error)));
}

// Creates a new, uniquely named file beside `target`; the process's umask applies to its mode.
int createTempFile(const QString& target, QByteArray& tempName) {
    const QFileInfo info(target);
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        tempName = QFile::encodeName(
            QStringLiteral("%1/.%2.%3.tmp")
                .arg(info.absolutePath(), info.fileName(),
                     QString::number(QRandomGenerator::global()->generate64(), 36)));
        const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

TamselConfig::TamselConfig(QString filePath) : filePath_(std::move(filePath)) {}

QString TamselConfig::pathForExecutable(const QString& executablePath) {
    const qsizetype nameStart = executablePath.lastIndexOf(u'/') + 1;
    const qsizetype dot = executablePath.lastIndexOf(u'.');
    if (dot >= nameStart) {
        return executablePath.left(dot) + QStringLiteral(".ini");
    }
    return executablePath + QStringLiteral(".ini");
}

int TamselConfig::ReadInteger(const QString& section, const QString& name, int defaultValue) {
    const std::optional<QString> text = document().value(section, name);
    if (!text) {
        return defaultValue;
    }
    return IniDocument::parseInteger(*text).value_or(defaultValue);
}

bool TamselConfig::ReadBool(const QString& section, const QString& name, bool defaultValue) {
    const std::optional<QString> text = document().value(section, name);
    if (!text) {
        return defaultValue;
    }
    const std::optional<int> number = IniDocument::parseInteger(*text);
    return number ? *number != 0 : defaultValue;
}

void TamselConfig::WriteInteger(const QString& section, const QString& name, int value) {
    document().setValue(section, name, QString::number(value));
    save();
}

void TamselConfig::WriteBool(const QString& section, const QString& name, bool value) {
    document().setValue(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
    save();
}

IniDocument& TamselConfig::document() {
    if (!document_) {
        // A missing file is an empty store. So is one that cannot be read: every read then gives
        // its default, but no write replaces that file.
        QFile file(filePath_);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly)) {
            bytes = file.readAll();
            if (file.error() != QFileDevice::NoError) {
                unreadable_ = file.errorString();
                bytes.clear();
            }
        } else if (file.exists()) {
            unreadable_ = file.errorString();
        }
        document_ = IniDocument::parse(bytes);
    }
    return *document_;
}

// The whole file is written to a new file in the same folder, flushed to disk, and renamed over
// the old one: the settings file is always either the old or the new version, never half of one.
void TamselConfig::save() {
    const QByteArray bytes = document_->serialize();
    const QString fullPath = QDir::cleanPath(QFileInfo(filePath_).absoluteFilePath());
    if (!unreadable_.isEmpty()) {
        failCreate(fullPath, unreadable_);
    }

    // Renaming over a symbolic link would replace the link; write where it points instead.
    const QFileInfo info(fullPath);
    const QString target = info.isSymLink() ? info.symLinkTarget() : fullPath;
    const QByteArray nativeTarget = QFile::encodeName(target);

    QByteArray tempName;
    const int fd = createTempFile(target, tempName);
    if (fd < 0) {
        failCreate(fullPath, errno);
    }
    struct stat existing {};
    const bool keepMode = ::stat(nativeTarget.constData(), &existing) == 0;
    const bool written = (!keepMode || ::fchmod(fd, existing.st_mode & 07777) == 0) &&
                         writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed || ::rename(tempName.constData(), nativeTarget.constData()) != 0) {
        const int error = !written ? writeError : (!closed ? closeError : errno);
        ::unlink(tempName.constData());
        failCreate(fullPath, error);
    }
}

}  // namespace karvo
