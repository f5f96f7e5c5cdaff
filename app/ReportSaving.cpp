#include "app/ReportSaving.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QSysInfo>

#include "app/PelmorVersion.h"
#include "report/ReportPage.h"

namespace {

const QString kTitle = QStringLiteral("Save Report");

// The rows of the report the window has: all but the optional registers.
std::vector<int> WindowReportRows() {
  std::vector<int> rows;
  for (int row : ReportRows()) {
    if (row < kRegisterRowCount) rows.push_back(row);
  }
  return rows;
}

QString CurrentText(const QListWidget* list) {
  return list->currentItem() != nullptr ? list->currentItem()->text() : QString();
}

}  // namespace

ReportSaving::ReportSaving(TMainForm& form, AskFile askFile)
    : form_(form), askFile_(std::move(askFile)), recorder_(form.Catalogue()) {
  if (!askFile_) askFile_ = [this] { return AskWithDialog(); };
  MenuFileSaveReport = new QAction(QStringLiteral("Save &Report..."), form.MenuFile);
  MenuFileSaveReport->setObjectName(QStringLiteral("MenuFileSaveReport"));
  form.MenuFile->insertAction(form.N1, MenuFileSaveReport);
  connect(MenuFileSaveReport, &QAction::triggered, this, [this] { MenuFileSaveReportClick(); });
  form.Engine().AddObserver(recorder_);
  form.Engine().AddObserver(*this);
}

ReportSaving::~ReportSaving() {
  form_.Engine().RemoveObserver(*this);
  form_.Engine().RemoveObserver(recorder_);
}

QString ReportSaving::AskWithDialog() {
  return QFileDialog::getSaveFileName(&form_, kTitle, QStringLiteral("report.pdf"),
                                      QStringLiteral("PDF (*.pdf);;HTML (*.html)"));
}

void ReportSaving::MenuFileSaveReportClick() {
  if (!path_.isEmpty()) return;
  QString refusal;
  if (form_.Engine().IsRunning()) {
    refusal = QStringLiteral("A scan is running: stop it first.");
  } else if (form_.AutoRepeat->isChecked()) {
    refusal = QStringLiteral("The report reads the pack once: untick Auto Repeat first.");
  } else if (form_.TabSet1->currentIndex() != 0) {
    refusal = QStringLiteral("The report reads the pack: show the Read tab first.");
  }
  if (!refusal.isEmpty()) {
    QMessageBox::warning(&form_, kTitle, refusal);
    return;
  }
  QString path = askFile_();
  if (path.isEmpty()) return;
  if (!IsReportPageName(path)) path += QStringLiteral(".pdf");
  for (int row : WindowReportRows()) form_.Catalogue().SetSelected(row, true);
  recorder_.Clear();
  path_ = path;
  form_.ReadDataBtnClick();
}

void ReportSaving::ScanStopped(ScanStop reason) {
  if (path_.isEmpty()) return;
  if (reason != ScanStop::Finished) {
    Unread(QStringLiteral("the scan was stopped before the pack was read"));
    return;
  }
  WriteReport();
}

void ReportSaving::ScanHalted(const ScanHalt&) {
  if (!path_.isEmpty()) Unread(QStringLiteral("the adapter refused a transaction"));
}

void ReportSaving::LinkFailed(const LinkFailure&) {
  if (!path_.isEmpty()) Unread(QStringLiteral("the adapter link could not be opened"));
}

void ReportSaving::Unread(const QString& why) {
  const QString path = std::exchange(path_, QString());
  QMessageBox::warning(&form_, kTitle,
                       QStringLiteral("No report written to %1: %2.").arg(path, why));
}

void ReportSaving::WriteReport() {
  const QString path = std::exchange(path_, QString());
  const PackFigures figures = FiguresOf(recorder_.Rows(WindowReportRows()), form_.Catalogue());
  if (figures.numbers.empty() && figures.texts.empty()) {
    QMessageBox::warning(&form_, kTitle,
                         QStringLiteral("No report written to %1: no battery answered.").arg(path));
    return;
  }
  const ReportOrigin origin{form_.Engine().State().scanStartTime, QSysInfo::machineHostName(),
                            QStringLiteral("pelmor ") + QLatin1String(kPelmorVersion),
                            CurrentText(form_.ComPortListBox), CurrentText(form_.DestAddrListBox)};
  const PackReport report = ReportOf(figures, VerdictLimits{}, origin);
  if (const std::optional<QString> error = WriteReportPage(report, path)) {
    QMessageBox::critical(&form_, kTitle, *error);
  }
}
