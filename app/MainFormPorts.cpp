#include "app/MainFormPorts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/TMainForm.h"

namespace {

// A message box of its own, not owned by the main window, which stays usable
// while it is open. Closing the main window still ends the program: an open
// box does not keep it running.
void ShowMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
  auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok);
  box->setObjectName(QStringLiteral("MessageBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setAttribute(Qt::WA_QuitOnClose, false);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

std::optional<int> SelectedRow(const QListWidget* list) {
  const QList<QListWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return list->row(selected.first());
}

}  // namespace

QString MainFormPorts::ScanButtonCaption(bool running, ScanMode mode) {
  if (running) return QStringLiteral("Stop");
  return mode == ScanMode::Read ? QStringLiteral("Read Data") : QStringLiteral("Write Data");
}

QString MainFormPorts::SelectButtonCaption(bool allSelected) {
  return allSelected ? QStringLiteral("Deselect All") : QStringLiteral("Select All");
}

void MainFormPorts::ShowScanState(bool running, ScanMode mode) {
  form_.ReadDataBtn->setText(ScanButtonCaption(running, mode));
}

void MainFormPorts::ShowAllSelected(bool allSelected) {
  form_.SelectBtn->setText(SelectButtonCaption(allSelected));
}

bool MainFormPorts::AutoRepeatTicked() const {
  return form_.AutoRepeat->isChecked();
}

void MainFormPorts::SetAutoRepeatCaption(const QString& caption) {
  form_.AutoRepeat->setText(caption);
}

std::array<QAction*, kRepeatIntervals.size()> MainFormPorts::IntervalItems() const {
  return {form_.MenuOptionsAutoRepeatContinuous, form_.MenuOptionsAutoRepeat10Seconds,
          form_.MenuOptionsAutoRepeatMinute,     form_.MenuOptionsAutoRepeat5Minute,
          form_.MenuOptionsAutoRepeat10Minute,   form_.MenuOptionsAutoRepeatHour};
}

RepeatInterval MainFormPorts::MarkedRepeatInterval() const {
  const auto items = IntervalItems();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i]->isChecked()) return kRepeatIntervals[i].interval;
  }
  return RepeatInterval::TenSeconds;
}

void MainFormPorts::MarkRepeatInterval(RepeatInterval interval) {
  const auto items = IntervalItems();
  for (std::size_t i = 0; i < items.size(); ++i) {
    items[i]->setChecked(kRepeatIntervals[i].interval == interval);
  }
}

void MainFormPorts::ShowWarning(const QString& title, const QString& text) {
  ShowMessageBox(QMessageBox::NoIcon, title, text);
}

void MainFormPorts::ShowStatus(const QString& text) {
  form_.DataBox->setText(text);
}

std::optional<QString> MainFormPorts::SelectedComPortEntry() const {
  const std::optional<int> row = SelectedRow(form_.ComPortListBox);
  if (!row) return std::nullopt;
  return form_.ComPortListBox->item(*row)->text();
}

std::optional<int> MainFormPorts::SelectedAddressEntry() const {
  return SelectedRow(form_.DestAddrListBox);
}

void MainFormPorts::ShowError(const QString& text) {
  ShowMessageBox(QMessageBox::Critical, QStringLiteral("Error"), text);
}

bool MainFormPorts::LogFileOpen() const {
  return form_.MenuFileCloseLogFile->isEnabled();
}

void MainFormPorts::SetLogFileOpen(bool open) {
  form_.MenuFileOpenLogFile->setEnabled(!open);
  form_.MenuFileCloseLogFile->setEnabled(open);
}

QString MainFormPorts::StandardTitle() const {
  return form_.BaseTitle();
}

void MainFormPorts::SetTitle(const QString& title) {
  form_.setWindowTitle(title);
}

std::optional<QString> MainFormPorts::ChooseLogFile() {
  QFileDialog& dialog = form_.OpenDialog1();
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().first();
  dialog.selectFile(path);
  return path;
}
