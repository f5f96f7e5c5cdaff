#pragma once

#include <QSocketNotifier>
#include <QString>
#include <QTextStream>
#include <functional>
#include <memory>

#include "cli/StandardOutput.h"

// What the headless commands share about how a job ends: Ctrl+C and a polite
// kill turned into a call on the event loop, and each way a job fails said on
// standard error, returning its exit status.

// Turns SIGINT and SIGTERM into a call on the event loop, with the signal's
// number, while it lives.
class InterruptWatch {
 public:
  explicit InterruptWatch(std::function<void(int)> onInterrupt);
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

// Standard error, for the commands' diagnostics.
QTextStream& Err();

int LinkFailed(const QString& reason);
// The adapter answered once, in this pass or an earlier one, and is gone now.
int LinkLost(const QString& reason);
// The adapter would not reach the battery's address; with the i2c-dev
// library a warning above has named the kernel driver that holds it.
int AddressBusy(int addressEntry);
// A job cut short by a signal ends with the status a shell gives a program
// that signal ended.
int Interrupted(int signal);
// Standard output that cannot be written is a failure, said on standard
// error; a pipe whose reader went away ends the command quietly, as SIGPIPE
// would have ended it.
int OutputLost(const StandardOutput& out);
