#pragma once

#include <QString>
#include <QTextStream>

#include "cli/StandardOutput.h"

// What the headless commands share about how a job ends: each way a job
// fails said on standard error, returning its exit status.

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
