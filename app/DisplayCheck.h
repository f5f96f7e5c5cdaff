#pragma once

#include <QString>
#include <functional>
#include <optional>

// Whether the window has a display to be shown on. Qt aborts the program when
// it cannot reach one, so this is asked before the application object exists.
struct DisplayReach {
  std::function<bool(const QString& display)> x11;     // the X server DISPLAY names answers
  std::function<bool(const QString& socket)> wayland;  // the compositor's socket answers
};

// The reach through the machine's own sockets.
DisplayReach SystemDisplayReach();

// One variable of the environment, or nothing when it is not set.
using EnvironmentVariable = std::function<std::optional<QString>(const char* name)>;

// The program's own environment, read a variable at a time: the check reads
// a handful, and copying the whole environment for them costs the window's
// start memory and time.
std::optional<QString> ProgramEnvironmentVariable(const char* name);

// Why the window has no display, or nothing when it has one, or when
// QT_QPA_PLATFORM names a platform that needs no display server (offscreen).
std::optional<QString> MissingDisplay(const EnvironmentVariable& variable,
                                      const DisplayReach& reach);
