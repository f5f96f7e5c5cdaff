#pragma once

#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <QTextStream>

// The program's standard output and standard error on the command line,
// written straight through write(2) with every byte accounted for. The first
// write that fails is remembered with its error, and nothing is written to
// that stream after it.
class OutputStream {
 public:
  explicit OutputStream(int fd) : fd_(fd) {}

  // True when all the bytes were written.
  bool Write(const QByteArray& bytes);
  // As UTF-8.
  bool Write(const QString& text) { return Write(text.toUtf8()); }
  // The errno of the write that failed; 0 while none has.
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

OutputStream& StandardOut();
OutputStream& StandardErr();

// A message for standard error, put together with << as on a QTextStream and
// written through StandardErr() when the statement ends.
class Diagnostic {
 public:
  Diagnostic() = default;
  ~Diagnostic();
  Diagnostic(const Diagnostic&) = delete;
  Diagnostic& operator=(const Diagnostic&) = delete;

  template <typename T>
  Diagnostic& operator<<(const T& part) {
    stream_ << part;
    return *this;
  }

 private:
  QString text_;
  QTextStream stream_{&text_};
};

// A command's exit status once its output is done: `status` when every write
// went through. When one failed, 1, after "pelmor: cannot write the output:"
// and the system's reason on standard error (where that still can be written);
// for standard output to a pipe whose reader went away, 128 + SIGPIPE, quietly,
// as that signal would have ended the command.
int StatusAfterOutput(int status);

// Sends Qt's messages (warnings, and debug lines with --verbose) to standard
// error through StandardErr().
void SendMessagesToStandardError();
