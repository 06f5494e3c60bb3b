#include "WriteAll.h"

#include <cerrno>

#include <unistd.h>

namespace karvo {

bool writeAll(int fd, const QByteArray& bytes, off_t offset) {
    qsizetype written = 0;
    while (written < bytes.size()) {
        const char* from = bytes.constData() + written;
        const auto length = static_cast<size_t>(bytes.size() - written);
        const ssize_t n = offset < 0
                              ? ::write(fd, from, length)
                              : ::pwrite(fd, from, length, offset + static_cast<off_t>(written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        written += n;
    }
    return true;
}

}  // namespace karvo
