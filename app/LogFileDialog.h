#pragma once

#include <QString>
#include <optional>

// The file dialog that chooses the log file: the path chosen, or nothing when
// the user cancelled. The main window shows OpenDialog1 through it; tests
// answer in its place.
class LogFileDialog {
 public:
  virtual ~LogFileDialog() = default;
  virtual std::optional<QString> ChooseLogFile() = 0;
};
