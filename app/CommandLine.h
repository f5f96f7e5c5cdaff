#pragma once

#include <optional>

#include "PlatformBundle.h"

// The command line read: either the options to run the program with, or the
// exit status of a request answered already on the terminal (--help,
// --version, a usage error).
struct CommandLine {
  std::optional<PlatformOptions> run;
  int exitStatus = 0;
};

// Reads the command line before any window exists, so that --help, --version
// and a usage error need no display. A usage error prints the usage on
// standard error and gives exit status 2.
CommandLine ReadCommandLine(int& argc, char** argv);
