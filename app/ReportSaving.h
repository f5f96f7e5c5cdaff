#pragma once

#include <QAction>
#include <QObject>
#include <QString>
#include <functional>

#include "app/TMainForm.h"
#include "scan/PassRecorder.h"

// File > Save Report...: the pack on the selected port and address read
// once by the window's own scan, with the registers the report needs ticked
// besides those already ticked, as Read Data would read them (the table shows
// the values afterwards), then the report written as one page (PDF, or HTML
// by the name). The window has no optional registers: the cells and
// StateOfHealth are not on its page.
class ReportSaving : public QObject, private ScanObserver {
 public:
  // The file to write, or nothing when the person cancels.
  using AskFile = std::function<QString()>;

  // Adds the menu item above Exit. Without askFile, a file dialog asks.
  explicit ReportSaving(TMainForm& form, AskFile askFile = {});
  ~ReportSaving() override;
  ReportSaving(const ReportSaving&) = delete;
  ReportSaving& operator=(const ReportSaving&) = delete;

  QAction* MenuFileSaveReport = nullptr;
  void MenuFileSaveReportClick();

 private:
  void ScanStopped(ScanStop reason) override;
  void ScanHalted(const ScanHalt& halt) override;
  void LinkFailed(const LinkFailure& failure) override;
  QString AskWithDialog();
  void Unread(const QString& why);
  void WriteReport();

  TMainForm& form_;
  AskFile askFile_;
  PassRecorder recorder_;
  QString path_;  // while the pass for it runs
};
