// The log's record writing of arbitrary data-field texts: a log opened, a
// header written for the ticked rows, passes whose rows end in a value or a
// placeholder, and a close. Whatever the texts, the file holds exactly the
// header, then each pass's line end, time stamp and one separator and one
// field a row, in the order the steps ran, and a final line end: no byte is
// lost or doubled at the 128-byte buffer's edges.
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <cstdio>
#include <cstdlib>

#include "battery/PlainRowControls.h"
#include "battery/RegisterCatalogue.h"
#include "log/LogFormatter.h"
#include "log/ScanLogFile.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

class Window : public LogWindow {
 public:
  bool LogFileOpen() const override { return open_; }
  void SetLogFileOpen(bool open) override { open_ = open; }
  QString StandardTitle() const override { return QStringLiteral("Pelmor"); }
  void SetTitle(const QString&) override {}
  void ShowError(const QString& text) override {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::abort();
  }

 private:
  bool open_ = false;
};

// A short field text of the fuzzer's choosing.
QString FieldText(FuzzInput& input) {
  const int length = input.Byte() % 40;
  QString text;
  for (int i = 0; i < length; ++i) text += QChar(input.Byte());
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QString path = QStringLiteral("/dev/shm/pelmor-fuzz-log-%1.txt").arg(getpid());
  FuzzInput input(data, size);
  PlainRowControlsSource rows;
  RegisterCatalogue catalogue;
  catalogue.BuildCatalogue(rows);
  Window window;
  const LogFormatter formatter;
  ScanLogFile log(catalogue, window, formatter);

  std::vector<int> ticked;
  for (int row = 0; row < kRegisterRowCount; ++row) {
    if (input.Byte() % 4 == 0) ticked.push_back(row);
  }
  if (ticked.empty()) ticked.push_back(input.Byte() % kRegisterRowCount);
  catalogue.SelectAll(false);
  for (int row : ticked) catalogue.SetSelected(row, true);

  log.OpenLogFile(path);
  FUZZ_CHECK(window.LogFileOpen());
  QList<LogColumn> columns;
  for (int row : ticked) {
    FUZZ_CHECK(log.HeaderStep(row));
    columns.append({catalogue.RegisterName(row), catalogue.UnitClass(row)});
  }
  log.EndHeaderColumns();
  QString expected = LogFormatter::HeaderLine(columns);

  const QDateTime start(QDate(2026, 12, 7), QTime(9, 30, 0));
  const int passes = input.Byte() % 4;
  for (int pass = 0; pass < passes; ++pass) {
    const QDateTime stamp = start.addSecs(pass * 61);
    expected += formatter.RecordStart(stamp);
    for (int row : ticked) {
      FUZZ_CHECK(log.LogPrefix(row == ticked.front(), stamp));
      expected += LogFormatter::FieldSeparator();
      if (input.Byte() % 5 == 0) {
        FUZZ_CHECK(log.FailurePlaceholder(row));
        expected += LogFormatter::FailurePlaceholder(catalogue.UnitClass(row));
      } else {
        const QString text = FieldText(input);
        FUZZ_CHECK(log.ValueStep(row, text));
        expected += LogFormatter::ValueField(catalogue.UnitClass(row), text);
      }
    }
  }
  FUZZ_CHECK(!log.CloseLogFile());
  expected += LogFormatter::LineEnd();

  QFile file(path);
  FUZZ_CHECK(file.open(QIODevice::ReadOnly));
  FUZZ_CHECK(file.readAll() == LogFormatter::FileBytes(expected));
  file.remove();
  return 0;
}
