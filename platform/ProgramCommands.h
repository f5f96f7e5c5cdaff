#pragma once

#include <QString>
#include <array>

// The commands that need no window, as `pelmor --help` lists them and the
// message for a missing display names them; each answers `pelmor <name>
// --help`.
struct ProgramCommand {
  const char* name;
  const char* summary;
};
inline constexpr std::array kProgramCommands{
    ProgramCommand{"read", "Read registers and print their values."},
    ProgramCommand{"write", "Write registers, then read each back."},
    ProgramCommand{"probe", "Look at the adapter and the bus, and say why a pack does not answer."},
    ProgramCommand{"plot", "Draw a log file as a chart into a picture."},
    ProgramCommand{"report", "Read a pack once and say whether it is good: PASS, CHECK or FAIL."},
};

// "pelmor read, pelmor write, ...": the commands for a message.
QString ProgramCommandList();
