#include "AppendLogText.h"

#include "KarvoError.h"
#include "Windows1252.h"
#include "WriteAll.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace karvo {

namespace {

// Log file names are limited to 259 characters, the same on every system the program runs on.
constexpr qsizetype kMaxPathLength = 260;
constexpr qsizetype kSniffLength = 4;
constexpr qsizetype kReadChunk = 64 * 1024;

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

enum class FileEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

[[noreturn]] void fail(const QString& text) {
    throw KarvoError(text);
}

[[noreturn]] void failWithSystemText(const QString& what, const QString& fullPath, int error) {
    fail(QStringLiteral("%1 \"%2\". %3")
             .arg(what, fullPath, QString::fromLocal8Bit(std::strerror(error))));
}

[[noreturn]] void failRead() {
    fail(QStringLiteral("Stream read error"));
}

[[noreturn]] void failWrite() {
    fail(QStringLiteral("Stream write error"));
}

// Closes the descriptor (and so releases its lock) on every way out.
class OpenFile {
public:
    explicit OpenFile(int fd) : fd_(fd) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() { ::close(fd_); }
    int fd() const { return fd_; }

private:
    int fd_;
};

// The checks of a name that need no file system, in this order.
void checkNameText(const QString& path) {
    if (path.size() >= kMaxPathLength) {
        fail(QStringLiteral("The specified path is too long"));
    }
    // Colons are ordinary characters in Linux file names, so "logs:old/app.log" is accepted; the
    // only character a path cannot hold is NUL.
    if (path.trimmed().isEmpty() || path.contains(QChar(u'\0'))) {
        fail(QStringLiteral("Invalid characters in path"));
    }
}

// Called when the file could not be opened: a folder that does not exist explains that before
// anything else, as if it had been checked before the open. A file that opens has its folder.
void checkFolder(const QString& fullPath) {
    if (!QFileInfo(QFileInfo(fullPath).absolutePath()).isDir()) {
        fail(QStringLiteral("The specified path was not found"));
    }
}

// Opens an existing file for reading and writing, or creates it. The exclusive lock keeps other
// writers that take the same lock (another instance of this program) out while the line is
// written; a file locked by one of them is reported rather than waited for.
int openLocked(const QByteArray& nativePath, const QString& fullPath) {
    // O_NONBLOCK keeps a named pipe from stalling the program; regular files ignore it.
    constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    const QString openText = QStringLiteral("Cannot open file");
    const QString createText = QStringLiteral("Cannot create file");

    QString failureText = openText;
    int fd = ::open(nativePath.constData(), kFlags);
    if (fd < 0) {
        const int openError = errno;
        checkFolder(fullPath);
        if (openError != ENOENT) {
            failWithSystemText(openText, fullPath, openError);
        }
        failureText = createText;
        fd = ::open(nativePath.constData(), kFlags | O_CREAT, 0666);
        if (fd < 0) {
            failWithSystemText(createText, fullPath, errno);
        }
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        failWithSystemText(failureText, fullPath, error);
    }
    return fd;
}

// Reads up to `length` bytes at `offset`; fewer only at the end of the file.
QByteArray readAt(int fd, off_t offset, qsizetype length) {
    QByteArray bytes(length, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, bytes.data() + got, static_cast<size_t>(length - got),
                                  offset + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            failRead();
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

QByteArray readWholeFile(int fd) {
    QByteArray content;
    for (;;) {
        const QByteArray chunk = readAt(fd, static_cast<off_t>(content.size()), kReadChunk);
        content.append(chunk);
        if (chunk.size() < kReadChunk) {
            return content;
        }
    }
}

FileEncoding sniffEncoding(int fd, off_t size) {
    if (size == 0) {
        return FileEncoding::Ansi;
    }
    const QByteArray head = readAt(fd, 0, kSniffLength);
    if (head.startsWith(kUtf8Bom)) {
        return FileEncoding::Utf8;
    }
    if (head.startsWith("\xFF\xFE")) {
        return FileEncoding::Utf16LE;
    }
    if (head.startsWith("\xFE\xFF")) {
        return FileEncoding::Utf16BE;
    }
    return FileEncoding::Ansi;
}

QByteArray toUtf16(const QString& text, FileEncoding encoding) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar unit : text) {
        const auto low = static_cast<char>(unit.unicode() & 0xFF);
        const auto high = static_cast<char>(unit.unicode() >> 8);
        if (encoding == FileEncoding::Utf16LE) {
            bytes.append(low).append(high);
        } else {
            bytes.append(high).append(low);
        }
    }
    return bytes;
}

bool isAscii(const QString& text) {
    for (const QChar unit : text) {
        if (unit.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

// A plain ASCII text has the same bytes in Windows-1252 as in Latin-1, which Qt converts in bulk.
QByteArray asciiBytes(const QString& text) {
    return text.toLatin1();
}

// Appends to a regular file of the given size (taken under the lock); a failed write cuts the
// file back to its old end so that no part of a line is left behind.
void appendToRegularFile(int fd, off_t size, const QByteArray& bytes) {
    if (!writeAll(fd, bytes, size)) {
        const int ignored = ::ftruncate(fd, size);
        static_cast<void>(ignored);
        failWrite();
    }
}

// Rewrites a Windows-1252 file as UTF-8 with a byte-order mark and appends the text. The new
// content is never shorter than the old, so it is written over the old in place (the file keeps
// its owner, mode, links and lock). Space is reserved first, so that a full disk is found before
// any old byte changes; should the write itself fail, the old bytes are put back.
void convertToUtf8AndAppend(int fd, const QString& text) {
    const QByteArray old = readWholeFile(fd);
    const QByteArray converted = kUtf8Bom + fromWindows1252(old).toUtf8() + text.toUtf8();
    const auto oldSize = static_cast<off_t>(old.size());

    const int reserve = ::posix_fallocate(fd, 0, static_cast<off_t>(converted.size()));
    if (reserve != 0 && reserve != EOPNOTSUPP) {
        const int ignored = ::ftruncate(fd, oldSize);
        static_cast<void>(ignored);
        failWrite();
    }
    if (!writeAll(fd, converted, 0)) {
        const bool restored = writeAll(fd, old, 0);
        static_cast<void>(restored);
        const int ignored = ::ftruncate(fd, oldSize);
        static_cast<void>(ignored);
        failWrite();
    }
}

}  // namespace

void AppendLogText(const QString& path, const QString& text) {
    checkNameText(path);
    // The name is completed against the current directory now, at the moment of writing (one
    // look at it per line).
    const QString currentPath = QDir::currentPath();
    // A current directory that has been removed has no path to complete a relative name with.
    if (QDir::isRelativePath(path) && currentPath.isEmpty()) {
        fail(QStringLiteral("The specified path was not found"));
    }
    const QString fullPath = QDir::cleanPath(QDir(currentPath).absoluteFilePath(path));
    // A trailing slash names a folder: keep it so that the system refuses to create a file there.
    const QString openPath = path.endsWith(u'/') ? fullPath + u'/' : fullPath;
    const OpenFile file(openLocked(QFile::encodeName(openPath), fullPath));
    const int fd = file.fd();

    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        failRead();
    }
    if (!S_ISREG(info.st_mode)) {
        // A device or pipe has no start to sniff or rewrite: the text goes out as it is, in
        // Windows-1252 when it is plain ASCII and in UTF-8 otherwise.
        if (!writeAll(fd, isAscii(text) ? asciiBytes(text) : text.toUtf8())) {
            failWrite();
        }
        return;
    }

    const FileEncoding encoding = sniffEncoding(fd, info.st_size);
    switch (encoding) {
        case FileEncoding::Ansi:
            if (isAscii(text)) {
                appendToRegularFile(fd, info.st_size, asciiBytes(text));
            } else {
                convertToUtf8AndAppend(fd, text);
            }
            break;
        case FileEncoding::Utf8:
            appendToRegularFile(fd, info.st_size, text.toUtf8());
            break;
        case FileEncoding::Utf16LE:
        case FileEncoding::Utf16BE:
            appendToRegularFile(fd, info.st_size, toUtf16(text, encoding));
            break;
    }
}

}  // namespace karvo
