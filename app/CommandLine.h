#pragma once

#include <array>
#include <optional>

#include "platform/ExitStatusHelp.h"
#include "platform/Platform.h"
#include "publish/Publisher.h"

// Exit status of the program when it runs its window.
namespace window_exit {
inline constexpr int kClosed = 0;
inline constexpr int kOutputFailed = 1;
inline constexpr int kUsageError = 2;
inline constexpr int kNoBroker = 3;
}  // namespace window_exit

// What each status means, as `pelmor --help` and the manual page say.
inline constexpr std::array kWindowExitStatuses{
    ExitStatusMeaning{window_exit::kClosed,
                      "the window was closed or ended by Exit, or --help or --version answered"},
    ExitStatusMeaning{window_exit::kOutputFailed,
                      "what --help or --version answers could not be written"},
    ExitStatusMeaning{window_exit::kUsageError,
                      "a usage error (an unknown option or argument), or no display to show the "
                      "window on"},
    ExitStatusMeaning{window_exit::kNoBroker,
                      "the broker to publish to (--mqtt) refused the login or its certificate: "
                      "no window was shown"},
};

// The command line read: either the options to run the program with, or the
// exit status of a request answered already on the terminal (--help,
// --version, a usage error).
struct CommandLine {
  std::optional<PlatformOptions> run;
  int exitStatus = window_exit::kClosed;
  std::optional<PublisherSettings> publish;  // --mqtt: each pass also to a broker
};

// Reads the command line before any window exists, so that --help, --version
// and a usage error need no display. A usage error prints the usage on
// standard error and gives exit status 2.
CommandLine ReadCommandLine(int& argc, char** argv);
