#pragma once

#include <QAction>
#include <array>

#include "LinkPorts.h"
#include "ScanPorts.h"

class TMainForm;

// The core's view of the main window's controls: the scan buttons and tabs,
// the status line, the COM port and address lists, and the message boxes.
class MainFormPorts : public ScanControls,
                      public StatusLine,
                      public LinkSettings,
                      public ErrorReporter {
 public:
  explicit MainFormPorts(TMainForm& form) : form_(form) {}

  QString ButtonCaption() const override;
  void SetButtonCaption(const QString& caption) override;
  QString SelectCaption() const override;
  void SetSelectCaption(const QString& caption) override;
  int TabIndex() const override;
  bool AutoRepeatTicked() const override;
  void SetAutoRepeatCaption(const QString& caption) override;
  RepeatInterval MarkedRepeatInterval() const override;
  void MarkRepeatInterval(RepeatInterval interval) override;
  void ShowWarning(const QString& title, const QString& text) override;

  void ShowStatus(const QString& text) override;

  std::optional<QString> SelectedComPortEntry() const override;
  std::optional<int> SelectedAddressEntry() const override;

  void ShowError(const QString& text) override;

 private:
  // The interval items of the Options menu, in the order of the intervals.
  std::array<QAction*, kRepeatIntervals.size()> IntervalItems() const;

  TMainForm& form_;
};
