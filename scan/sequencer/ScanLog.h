#pragma once

#include <QDateTime>
#include <QString>

// The write steps that the scan log hangs on the scan. Each writes only while
// a log file is open, and answers false when its write failed: the step that
// called it then ends where it stands.
class ScanLog {
 public:
  virtual ~ScanLog() = default;
  // For each ticked row of a press that starts a scan, then the end of the header.
  virtual bool HeaderStep(int row) = 0;
  virtual void EndHeaderColumns() = 0;
  // Before a row's first read: the field separator, after a line end and the
  // time stamp when the row begins a record.
  virtual bool LogPrefix(bool beginsRecord, const QDateTime& scanStartTime) = 0;
  // A received value of a row, as its data field shows it.
  virtual bool ValueStep(int row, const QString& valueText) = 0;
  // A row given up after its last attempt.
  virtual bool FailurePlaceholder(int row) = 0;
};

// The steps while no log file is open: nothing is written, nothing fails.
class NoScanLog : public ScanLog {
 public:
  bool HeaderStep(int) override { return true; }
  void EndHeaderColumns() override {}
  bool LogPrefix(bool, const QDateTime&) override { return true; }
  bool ValueStep(int, const QString&) override { return true; }
  bool FailurePlaceholder(int) override { return true; }
};
