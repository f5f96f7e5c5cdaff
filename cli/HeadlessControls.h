#pragma once

#include <QString>
#include <optional>

#include "link/LinkPorts.h"
#include "scan/sequencer/ScanPorts.h"

// The window's scan controls, status line, link settings and message boxes
// as plain state for the headless command line. It has no status line to
// draw (--verbose logs the status texts instead); warnings and errors go to
// standard error.
class HeadlessControls : public ScanControls,
                         public StatusLine,
                         public LinkSettings,
                         public ErrorReporter {
 public:
  HeadlessControls(QString comPortEntry, int addressEntry);

  void ShowScanState(bool, ScanMode) override {}
  void ShowAllSelected(bool) override {}
  // The command line repeats passes itself; the window's auto-repeat is never ticked.
  bool AutoRepeatTicked() const override { return false; }
  void SetAutoRepeatCaption(const QString&) override {}
  RepeatInterval MarkedRepeatInterval() const override { return RepeatInterval::Continuous; }
  void MarkRepeatInterval(RepeatInterval) override {}
  void ShowWarning(const QString& title, const QString& text) override;

  void ShowStatus(const QString&) override {}

  std::optional<QString> SelectedComPortEntry() const override { return comPortEntry_; }
  std::optional<int> SelectedAddressEntry() const override { return addressEntry_; }

  void ShowError(const QString& text) override;

 private:
  QString comPortEntry_;
  int addressEntry_;
};
