#pragma once

#include <unistd.h>

#include <QByteArray>

// The command line's standard output, written straight through write(2) with
// every byte accounted for. The first write that fails is remembered with its
// error, and nothing is written after it.
class StandardOutput {
 public:
  explicit StandardOutput(int fd = STDOUT_FILENO) : fd_(fd) {}

  // True when all the bytes were written.
  bool Write(const QByteArray& bytes);
  // The errno of the write that failed; 0 while none has.
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};
