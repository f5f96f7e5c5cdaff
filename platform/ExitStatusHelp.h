#pragma once

#include <QString>
#include <span>

// One exit status of the program and what it means.
struct ExitStatusMeaning {
  int status;
  const char* meaning;
};

// The "Exit status:" block that ends a --help text, one status a line.
QString ExitStatusHelp(std::span<const ExitStatusMeaning> statuses);
