#pragma once

#include <QString>

// What the log needs from the main window. The window holds the open state:
// a log file is open exactly while the File menu's "&Close Log File" item is
// enabled, and the log reads it back from there.
class LogWindow {
 public:
  virtual ~LogWindow() = default;
  // Whether "&Close Log File" is enabled.
  virtual bool LogFileOpen() const = 0;
  // Enables "&Close Log File" and greys "&Open Log File..." (or the reverse).
  virtual void SetLogFileOpen(bool open) = 0;
  virtual QString StandardTitle() const = 0;
  virtual void SetTitle(const QString& title) = 0;
  // An error box that leaves the main window usable.
  virtual void ShowError(const QString& text) = 0;
};
