#pragma once

#include <QString>

#include "scan/sequencer/AutoRepeat.h"

// What the scan sequencer needs from the window and from the adapter link.

// The scan's controls on the window. Their captions hold the scan's state: a
// scan runs exactly while the Read Data button shows "Stop".
class ScanControls {
 public:
  virtual ~ScanControls() = default;
  virtual QString ButtonCaption() const = 0;
  virtual void SetButtonCaption(const QString& caption) = 0;
  virtual QString SelectCaption() const = 0;
  virtual void SetSelectCaption(const QString& caption) = 0;
  // 0 reads, 1 writes.
  virtual int TabIndex() const = 0;
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
