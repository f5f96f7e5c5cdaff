#pragma once

#include <QString>

#include "platform/ProgramOutput.h"

// What the headless commands share about how a job ends: each way a job
// fails said on standard error, returning its exit status.

// A line for standard error, written when the statement ends.
Diagnostic Err();

int LinkFailed(const QString& reason);
// The adapter answered once, in this pass or an earlier one, and is gone now.
int LinkLost(const QString& reason);
// The adapter would not reach the battery's address; with the i2c-dev
// library a warning above has named the kernel driver that holds it.
int AddressBusy(int addressEntry);
// A job cut short by a signal ends with the status a shell gives a program
// that signal ended.
int Interrupted(int signal);
// Output that cannot be written ends the command (see StatusAfterOutput).
int OutputLost();
