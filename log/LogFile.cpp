#include "log/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

QString SystemErrorText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

LogFile::~LogFile() {
  if (IsOpen()) ::close(descriptor_);
}

std::optional<QString> LogFile::Create(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  int descriptor;
  do {
    descriptor = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return SystemErrorText(errno);
  if (IsOpen()) ::close(descriptor_);
  descriptor_ = descriptor;
  inFile_ = 0;
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  return std::nullopt;
}

std::optional<QString> LogFile::Write(QByteArrayView bytes) {
  buffer_.append(bytes);
  while (buffer_.size() >= kBufferSize) {
    if (auto error = WriteOut(kBufferSize)) return error;
  }
  return std::nullopt;
}

std::optional<QString> LogFile::Close() {
  if (!IsOpen()) return std::nullopt;
  if (auto error = WriteOut(buffer_.size())) return error;
  const int result = ::close(descriptor_);
  // The descriptor is released whatever close answers; what it reports is
  // only passed on.
  descriptor_ = -1;
  if (result != 0 && errno != EINTR) return SystemErrorText(errno);
  return std::nullopt;
}

std::optional<QString> LogFile::WriteOut(qsizetype count) {
  qsizetype written = 0;
  std::optional<QString> error;
  while (written < count) {
    const ssize_t result =
        ::write(descriptor_, buffer_.constData() + written, static_cast<size_t>(count - written));
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) {
      error = SystemErrorText(result < 0 ? errno : EIO);
      break;
    }
    written += result;
  }
  buffer_.remove(0, written);
  inFile_ += written;
  return error;
}

std::optional<QString> LogFile::TakeBack(qint64 taken) {
  if (taken >= inFile_) {
    buffer_.truncate(static_cast<qsizetype>(taken - inFile_));
    return std::nullopt;
  }
  if (::ftruncate(descriptor_, taken) != 0 || ::lseek(descriptor_, taken, SEEK_SET) < 0) {
    return SystemErrorText(errno);
  }
  buffer_.clear();
  inFile_ = taken;
  return std::nullopt;
}
