#pragma once

#include <QString>
#include <optional>

// What the link layer needs from the window.

// The single-line status field; every text is framed in "<<" and ">>".
class StatusLine {
 public:
  virtual ~StatusLine() = default;
  virtual void ShowStatus(const QString& text) = 0;
};

// The COM port and battery address lists. An entry is nullopt when the list
// has no selected entry.
class LinkSettings {
 public:
  virtual ~LinkSettings() = default;
  virtual std::optional<QString> SelectedComPortEntry() const = 0;
  virtual std::optional<int> SelectedAddressEntry() const = 0;
};

// A failure of the platform's own services, reported in an error box.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void ShowError(const QString& text) = 0;
};
