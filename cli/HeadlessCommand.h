#pragma once

#include "PlatformBundle.h"

// `pelmor read` and `pelmor write`: the registers of a battery read or
// written from the command line, with no window and no display.
//
// Exit status: 0 every row read or written; 1 some row failed after its
// attempts; 2 a usage error; 3 the adapter could not be opened, or the
// broker to publish to refused the login or its certificate was not accepted;
// 4 the adapter went away (unplugged) after its link had opened.
namespace headless_exit {
inline constexpr int kAllRowsOk = 0;
inline constexpr int kRowFailed = 1;
inline constexpr int kUsageError = 2;
inline constexpr int kNoLink = 3;
inline constexpr int kNoBroker = 3;
inline constexpr int kLinkLost = 4;
}  // namespace headless_exit

// True when the command line names a headless command.
bool IsHeadlessCommand(int argc, char** argv);

int RunHeadlessCommand(int& argc, char** argv, const PlatformMaker& makePlatform);
