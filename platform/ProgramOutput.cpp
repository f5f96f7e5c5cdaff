#include "platform/ProgramOutput.h"

#include <QtGlobal>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

constexpr int kOutputFailed = 1;
constexpr int kBySignal = 128;

void ToStandardError(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  StandardErr().Write(qFormatLogMessage(type, context, message) + QLatin1Char('\n'));
}

}  // namespace

bool OutputStream::Write(const QByteArray& bytes) {
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

OutputStream& StandardOut() {
  static OutputStream out(STDOUT_FILENO);
  return out;
}

OutputStream& StandardErr() {
  static OutputStream err(STDERR_FILENO);
  return err;
}

Diagnostic::~Diagnostic() {
  stream_.flush();
  StandardErr().Write(text_);
}

int StatusAfterOutput(int status) {
  const int outError = StandardOut().Error();
  const int failed = outError != 0 ? outError : StandardErr().Error();
  if (failed == 0) return status;
  if (outError == EPIPE) return kBySignal + SIGPIPE;
  static bool said = false;
  if (!said) {
    said = true;
    StandardErr().Write(QStringLiteral("pelmor: cannot write the output: %1\n")
                            .arg(QString::fromLocal8Bit(std::strerror(failed))));
  }
  return kOutputFailed;
}

void SendMessagesToStandardError() {
  qInstallMessageHandler(ToStandardError);
}
