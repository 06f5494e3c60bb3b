#pragma once

#include <QByteArray>

#include <sys/types.h>

namespace karvo {

// Writes all bytes to a file descriptor: at `offset` (pwrite), or through the file position
// when `offset` is negative (devices, pipes, files opened for appending). Short writes are
// continued and interrupted ones retried. False on any failure, with errno set.
bool writeAll(int fd, const QByteArray& bytes, off_t offset = -1);

}  // namespace karvo
