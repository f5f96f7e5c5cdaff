#pragma once

#include <QAction>
#include <array>

#include "app/LogFileDialog.h"
#include "link/LinkPorts.h"
#include "log/LogPorts.h"
#include "scan/sequencer/ScanPorts.h"

class TMainForm;

// The core's view of the main window's controls: the scan buttons and tabs,
// the status line, the COM port and address lists, the File menu's log items,
// the title, the log file's dialog and the message boxes.
class MainFormPorts : public ScanControls,
                      public StatusLine,
                      public LinkSettings,
                      public ErrorReporter,
                      public LogWindow,
                      public LogFileDialog {
 public:
  explicit MainFormPorts(TMainForm& form) : form_(form) {}

  // The Read Data button's caption: "Stop" while a scan runs.
  static QString ScanButtonCaption(bool running, ScanMode mode);
  // The select button's caption: what a press does.
  static QString SelectButtonCaption(bool allSelected);

  void ShowScanState(bool running, ScanMode mode) override;
  void ShowAllSelected(bool allSelected) override;
  bool AutoRepeatTicked() const override;
  void SetAutoRepeatCaption(const QString& caption) override;
  RepeatInterval MarkedRepeatInterval() const override;
  void MarkRepeatInterval(RepeatInterval interval) override;
  void ShowWarning(const QString& title, const QString& text) override;

  void ShowStatus(const QString& text) override;

  std::optional<QString> SelectedComPortEntry() const override;
  std::optional<int> SelectedAddressEntry() const override;

  void ShowError(const QString& text) override;

  bool LogFileOpen() const override;
  void SetLogFileOpen(bool open) override;
  QString StandardTitle() const override;
  void SetTitle(const QString& title) override;

  // Shows OpenDialog1; a file chosen there is where it starts the next time.
  std::optional<QString> ChooseLogFile() override;

 private:
  // The interval items of the Options menu, in the order of the intervals.
  std::array<QAction*, kRepeatIntervals.size()> IntervalItems() const;

  TMainForm& form_;
};
