#pragma once

#include <QString>

#include "battery/RegisterCatalogue.h"
#include "scan/sequencer/AutoRepeat.h"

// What the scan sequencer needs from the window and from the adapter link.

// The scan's controls on the window. They show the scan's state; they do not
// hold it.
class ScanControls {
 public:
  virtual ~ScanControls() = default;
  // The Read Data button: whether a scan runs, and what a press starts when
  // none does.
  virtual void ShowScanState(bool running, ScanMode mode) = 0;
  // The select button offers the other of Select All and Deselect All.
  virtual void ShowAllSelected(bool allSelected) = 0;
  virtual bool AutoRepeatTicked() const = 0;
  virtual void SetAutoRepeatCaption(const QString& caption) = 0;
  // The repeat interval is the one whose Options menu item carries the check
  // mark; exactly one does.
  virtual RepeatInterval MarkedRepeatInterval() const = 0;
  virtual void MarkRepeatInterval(RepeatInterval interval) = 0;
  // A message box that leaves the main window usable.
  virtual void ShowWarning(const QString& title, const QString& text) = 0;
};

enum class LinkStatus { Open, Closed, Unknown };

class ScanLink {
 public:
  virtual ~ScanLink() = default;
  // Asks the adapter whether its link is open; Unknown when the query failed
  // (the failure is already reported).
  virtual LinkStatus QueryLink() = 0;
  virtual void OpenLink() = 0;
  // True when the adapter closed the link: nothing accepted on it reports
  // any more.
  virtual bool CloseLink() = 0;
};

// The one bus transaction for the row at the scan's row index.
class ScanTransactions {
 public:
  virtual ~ScanTransactions() = default;
  virtual void ReadTransaction() = 0;
  virtual void WriteTransaction() = 0;
};
