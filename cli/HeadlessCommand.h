#pragma once

#include <csignal>

#include "platform/ExitStatusHelp.h"
#include "platform/Platform.h"
#include "platform/ProgramCommands.h"

// `pelmor read` and `pelmor write`: the registers of a battery read or
// written from the command line, with no window and no display.
//
// Exit status: 0 every row read or written; 1 some row failed after its
// attempts, or standard output could not be written; 2 a usage error; 3 the
// adapter could not be opened, or the broker to publish to refused the login
// or its certificate was not accepted; 4 the adapter went away (unplugged)
// after its link had opened; 128 + the signal's number for a job cut short by
// SIGINT (130) or SIGTERM (143), and for output to a pipe whose reader went
// away (SIGPIPE, 141), as a shell reports a program ended by that signal.
namespace headless_exit {
inline constexpr int kAllRowsOk = 0;
inline constexpr int kRowFailed = 1;
inline constexpr int kOutputFailed = 1;
inline constexpr int kPassesLost = 1;
inline constexpr int kUsageError = 2;
inline constexpr int kNoLink = 3;
inline constexpr int kNoBroker = 3;
inline constexpr int kLinkLost = 4;
inline constexpr int kBySignal = 128;
}  // namespace headless_exit

// What each status means, as `pelmor read --help` and the manual page say.
QString HeadlessExitStatusHelp();

// True when the command line names a headless command.
bool IsHeadlessCommand(int argc, char** argv);

int RunHeadlessCommand(int& argc, char** argv, const PlatformMaker& makePlatform);
