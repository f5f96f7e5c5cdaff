#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

#include "battery/RegisterCatalogue.h"
#include "log/LogFile.h"
#include "log/LogFormatter.h"
#include "log/LogPorts.h"
#include "scan/sequencer/ScanLog.h"

// The scan log: a file chosen from the File menu that receives a header line
// and one record per read pass. The scan calls the write steps at fixed
// points; each writes only while the log is open, and a step whose write
// fails shows an error box naming the file and answers false, so the scan
// step that called it ends there. The log stays open and later writes try
// again. The header line is handed to the file whole, at the last ticked
// row's header step, and a header whose write failed is taken back for the
// next press to write anew.
class ScanLogFile : public ScanLog {
 public:
  ScanLogFile(RegisterCatalogue& catalogue, LogWindow& window, LogFormatter formatter);

  // Creates the file (an existing one is emptied) and opens the log; the
  // header is then due at the next press of Read Data that finds a row
  // ticked. A file that cannot be created leaves everything as it was.
  void OpenLogFile(const QString& path);
  // Ends the last line and closes the file. When that fails the log stays
  // open without that line end, and closing again tries once more.
  // Answers the error text when it failed, without showing it.
  std::optional<QString> CloseLogFile();
  // The window's standard title, followed by the log file's name while one
  // is open.
  void ShowTitle();
  // The File menu's close: CloseLogFile with its failure shown.
  void MenuFileCloseLogFileClick();
  // No log is open: no header is due.
  void ClearHeaderFlags();

  bool HeaderStep(int row) override;
  void EndHeaderColumns() override;
  bool LogPrefix(bool beginsRecord, const QDateTime& scanStartTime) override;
  bool ValueStep(int row, const QString& valueText) override;
  bool FailurePlaceholder(int row) override;

  bool HeaderPending() const { return headerPending_; }
  bool HeaderColumns() const { return headerColumns_; }
  const QString& Path() const { return path_; }

 private:
  bool IsOpen() const { return window_.LogFileOpen(); }
  // No row after this one is ticked: its header column is the line's last.
  bool IsLastTickedRow(int row) const;
  // Writes while the log is open; false, with the error shown, when it failed.
  bool Write(const QString& text);
  QString ErrorText(const char* what, const QString& systemText) const;

  RegisterCatalogue& catalogue_;
  LogWindow& window_;
  LogFormatter formatter_;
  LogFile file_;
  QString path_;
  // The header's first field is due.
  bool headerPending_ = false;
  // The press under way gathers its ticked rows' header columns.
  bool headerColumns_ = false;
  // The header line gathered so far, written whole at its last column.
  QString header_;
  // Text has gone to the file, or is bound for it, since it was created.
  bool holdsText_ = false;
};
