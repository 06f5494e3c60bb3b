// Appends arbitrary text to a log file with arbitrary earlier content and checks that the earlier
// content is kept: unchanged, or converted from Windows-1252 to UTF-8 under a byte-order mark.
//
// Input: [earlier content, FuzzedDataProvider string] [text bytes] [mode byte, taken from the end]
// mode bit 0: the file exists beforehand; bit 1: the text bytes are UTF-16 code units (lone
// surrogates included) rather than UTF-8.

#include "AppendLogText.h"
#include "KarvoError.h"
#include "Windows1252.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_appendlog: %s\n", what);
        std::abort();
    }
}

// One private folder per fuzzing process, removed when it ends.
class Workspace {
public:
    Workspace() {
        char pattern[] = "/tmp/karvo-fuzz-appendlog-XXXXXX";
        check(::mkdtemp(pattern) != nullptr, "cannot create a temporary folder");
        folder_ = pattern;
        file_ = folder_ + "/fuzz.log";
    }
    ~Workspace() {
        ::unlink(file_.c_str());
        ::rmdir(folder_.c_str());
    }
    const std::string& file() const { return file_; }

private:
    std::string folder_;
    std::string file_;
};

void writeFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0, "cannot create the earlier file");
    check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
          "cannot write the earlier file");
    ::close(fd);
}

QByteArray readFile(const std::string& path) {
    QByteArray bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "log file missing after the append");
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}

QByteArray utf16(const QString& text, bool littleEndian) {
    QByteArray bytes;
    for (const QChar unit : text) {
        const auto low = static_cast<char>(unit.unicode() & 0xFF);
        const auto high = static_cast<char>(unit.unicode() >> 8);
        bytes.append(littleEndian ? low : high).append(littleEndian ? high : low);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Workspace workspace;
    FuzzedDataProvider provider(data, size);
    const auto mode = provider.ConsumeIntegral<std::uint8_t>();
    const bool fileExists = (mode & 1) != 0;
    const std::string earlierBytes = provider.ConsumeRandomLengthString(1 << 16);
    const std::string textBytes = provider.ConsumeRemainingBytesAsString();

    QString text;
    if ((mode & 2) != 0) {
        for (std::size_t i = 0; i + 1 < textBytes.size(); i += 2) {
            text.append(
                QChar(static_cast<char16_t>(static_cast<std::uint8_t>(textBytes[i]) |
                                            (static_cast<std::uint8_t>(textBytes[i + 1]) << 8))));
        }
    } else {
        text = QString::fromUtf8(textBytes.data(), static_cast<qsizetype>(textBytes.size()));
    }

    ::unlink(workspace.file().c_str());
    const QByteArray earlier = fileExists ? QByteArray::fromStdString(earlierBytes) : QByteArray();
    if (fileExists) {
        writeFile(workspace.file(), earlierBytes);
    }

    try {
        karvo::AppendLogText(QString::fromStdString(workspace.file()), text);
    } catch (const karvo::KarvoError& error) {
        std::fprintf(stderr, "fuzz_appendlog: %s\n", error.what());
        std::abort();
    }

    QByteArray expected;
    if (earlier.startsWith(kBom)) {
        expected = earlier + text.toUtf8();
    } else if (earlier.startsWith("\xFF\xFE")) {
        expected = earlier + utf16(text, true);
    } else if (earlier.startsWith("\xFE\xFF")) {
        expected = earlier + utf16(text, false);
    } else if (isAscii(text)) {
        expected = earlier + text.toLatin1();
    } else {
        expected = kBom + karvo::fromWindows1252(earlier).toUtf8() + text.toUtf8();
    }
    check(readFile(workspace.file()) == expected, "earlier content or appended text is wrong");
    return 0;
}
