#pragma once

#include <array>
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
inline constexpr std::array kHeadlessExitStatuses{
    ExitStatusMeaning{headless_exit::kAllRowsOk,
                      "the job was done: every row read or written, or repeated reads with no "
                      "count ended by SIGINT or SIGTERM"},
    ExitStatusMeaning{headless_exit::kRowFailed,
                      "some row failed after its five attempts (its fault word stands in place "
                      "of its value), a value read back differs from what was written, "
                      "standard output could not be written, or passes did not reach the broker "
                      "or it refused them"},
    ExitStatusMeaning{headless_exit::kUsageError,
                      "a usage error (an unknown register or option, a register that cannot be "
                      "written, a text that is not exactly one value of its register): nothing "
                      "was sent to the bus"},
    ExitStatusMeaning{headless_exit::kNoLink,
                      "the adapter could not be opened, a kernel driver holds the battery's "
                      "address, or the broker refused the login or its certificate"},
    ExitStatusMeaning{headless_exit::kLinkLost,
                      "the adapter was lost (unplugged) after its link had opened"},
    ExitStatusMeaning{headless_exit::kBySignal + SIGINT,
                      "SIGINT (Ctrl+C) cut short a job that was not done"},
    ExitStatusMeaning{headless_exit::kBySignal + SIGPIPE,
                      "standard output is a pipe whose reader went away"},
    ExitStatusMeaning{headless_exit::kBySignal + SIGTERM,
                      "SIGTERM cut short a job that was not done"},
};

// True when the command line names a headless command.
bool IsHeadlessCommand(int argc, char** argv);

int RunHeadlessCommand(int& argc, char** argv, const PlatformMaker& makePlatform);
