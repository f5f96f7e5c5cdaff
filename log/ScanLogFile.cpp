#include "log/ScanLogFile.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

ScanLogFile::ScanLogFile(RegisterCatalogue& catalogue, LogWindow& window, LogFormatter formatter)
    : catalogue_(catalogue), window_(window), formatter_(formatter) {}

QString ScanLogFile::ErrorText(const char* what, const QString& systemText) const {
  return QStringLiteral("%1 the log file \"%2\": %3")
      .arg(QString::fromLatin1(what), QDir::toNativeSeparators(path_), systemText);
}

void ScanLogFile::OpenLogFile(const QString& path) {
  if (auto error = file_.Create(path)) {
    window_.ShowError(QStringLiteral("Cannot create the log file \"%1\": %2")
                          .arg(QDir::toNativeSeparators(path), *error));
    return;
  }
  path_ = path;
  holdsText_ = false;
  window_.SetLogFileOpen(true);
  ShowTitle();
  headerPending_ = true;
}

// A close that fails takes its line end back: the log stays open, and a
// record still under way must go on on its own line, not on one without a
// time stamp; the next close writes the line end again.
std::optional<QString> ScanLogFile::CloseLogFile() {
  const qint64 before = file_.Taken();
  if (auto error = file_.Write(LogFormatter::FileBytes(LogFormatter::LineEnd()))) {
    file_.TakeBack(before);
    return ErrorText("Cannot write to", *error);
  }
  std::optional<QString> error = file_.Close();
  if (error && file_.IsOpen()) {
    file_.TakeBack(before);
    return ErrorText("Cannot write to", *error);
  }
  window_.SetLogFileOpen(false);
  ShowTitle();
  ClearHeaderFlags();
  // The file is closed even when the system reports a failure at its close.
  if (error) return ErrorText("Cannot close", *error);
  return std::nullopt;
}

void ScanLogFile::ShowTitle() {
  window_.SetTitle(IsOpen() ? window_.StandardTitle() + QStringLiteral(" - [") +
                                  QFileInfo(path_).fileName() + QLatin1Char(']')
                            : window_.StandardTitle());
}

void ScanLogFile::MenuFileCloseLogFileClick() {
  if (auto error = CloseLogFile()) window_.ShowError(*error);
}

void ScanLogFile::ClearHeaderFlags() {
  headerPending_ = false;
  headerColumns_ = false;
  header_.clear();
}

bool ScanLogFile::Write(const QString& text) {
  holdsText_ = true;
  if (auto error = file_.Write(LogFormatter::FileBytes(text))) {
    window_.ShowError(ErrorText("Cannot write to", *error));
    return false;
  }
  return true;
}

// A step whose write fails has still had its text taken for the file (it goes
// out with the next write that succeeds) and its flags moved on, so the file
// never gets a field twice.
//
// The header line is the exception. It is gathered column by column and
// handed to the file whole at the press's last ticked row; a write that fails
// takes it back, so that the next press writes the header of the rows it has
// ticked then, and no record stands under another press's columns.
bool ScanLogFile::HeaderStep(int row) {
  if (!IsOpen()) return true;
  if (headerPending_) {
    headerPending_ = false;
    headerColumns_ = true;
    // Records of passes under way when the log opened came first: the
    // header still begins a line of its own, not glued to their last field.
    header_ = holdsText_ ? LogFormatter::LineEnd() : QString();
    header_ += LogFormatter::HeaderStart();
  }
  if (!headerColumns_) return true;
  header_ += LogFormatter::HeaderColumn({catalogue_.RegisterName(row), catalogue_.UnitClass(row)});
  if (!IsLastTickedRow(row)) return true;
  headerColumns_ = false;
  const qint64 before = file_.Taken();
  const bool heldText = holdsText_;
  if (Write(std::exchange(header_, QString()))) return true;
  if (!file_.TakeBack(before)) {
    holdsText_ = heldText;
    headerPending_ = true;
  }
  return false;
}

bool ScanLogFile::IsLastTickedRow(int row) const {
  for (int later = row + 1; later < catalogue_.RowCount(); ++later) {
    if (catalogue_.IsSelected(later)) return false;
  }
  return true;
}

void ScanLogFile::EndHeaderColumns() {
  headerColumns_ = false;
}

bool ScanLogFile::LogPrefix(bool beginsRecord, const QDateTime& scanStartTime) {
  if (!IsOpen()) return true;
  if (!beginsRecord) return Write(LogFormatter::FieldSeparator());
  return Write(formatter_.RecordStart(scanStartTime) + LogFormatter::FieldSeparator());
}

bool ScanLogFile::ValueStep(int row, const QString& valueText) {
  return !IsOpen() || Write(LogFormatter::ValueField(catalogue_.UnitClass(row), valueText));
}

bool ScanLogFile::FailurePlaceholder(int row) {
  return !IsOpen() || Write(LogFormatter::FailurePlaceholder(catalogue_.UnitClass(row)));
}
