#include "ScanLogFile.h"

#include <QDir>
#include <QFileInfo>

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
  window_.SetTitle(window_.StandardTitle() + QStringLiteral(" - [") + QFileInfo(path).fileName() +
                   QLatin1Char(']'));
  headerPending_ = true;
}

std::optional<QString> ScanLogFile::CloseLogFile() {
  if (auto error = file_.Write(LogFormatter::FileBytes(LogFormatter::LineEnd()))) {
    return ErrorText("Cannot write to", *error);
  }
  std::optional<QString> error = file_.Close();
  if (error && file_.IsOpen()) return ErrorText("Cannot write to", *error);
  window_.SetLogFileOpen(false);
  window_.SetTitle(window_.StandardTitle());
  ClearHeaderFlags();
  // The file is closed even when the system reports a failure at its close.
  if (error) return ErrorText("Cannot close", *error);
  return std::nullopt;
}

void ScanLogFile::MenuFileCloseLogFileClick() {
  if (auto error = CloseLogFile()) window_.ShowError(*error);
}

void ScanLogFile::ClearHeaderFlags() {
  headerPending_ = false;
  headerColumns_ = false;
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
bool ScanLogFile::HeaderStep(int row) {
  if (!IsOpen()) return true;
  if (headerPending_) {
    headerPending_ = false;
    headerColumns_ = true;
    // Records of passes under way when the log opened came first: the
    // header still begins a line of its own, not glued to their last field.
    const QString lineEnd = holdsText_ ? LogFormatter::LineEnd() : QString();
    if (!Write(lineEnd + LogFormatter::HeaderStart())) return false;
  }
  if (!headerColumns_) return true;
  return Write(
      LogFormatter::HeaderColumn({catalogue_.RegisterName(row), catalogue_.UnitClass(row)}));
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
