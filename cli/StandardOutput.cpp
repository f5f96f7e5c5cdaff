#include "cli/StandardOutput.h"

#include <cerrno>

bool StandardOutput::Write(const QByteArray& bytes) {
  if (error_ != 0) return false;
  const char* next = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd_, next, static_cast<std::size_t>(left));
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) {
      error_ = errno;
      return false;
    }
    next += written;
    left -= written;
  }
  return true;
}
