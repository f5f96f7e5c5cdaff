// Measures full 33-row read passes of the real main window on the threaded
// emulated rig, with real timers and the real event loop, alternately without
// a log and with a log file open, and prints how much longer a logged pass
// takes. Then it times the log's own work for a pass: the 33 separators and
// values, and the record start with its time stamp, written through the log's
// buffer to a file.
//
// Usage: log_pass_benchmark [pairs]   (default 10)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/ProgramWindows.h"
#include "bench/TimingAdapter.h"
#include "emulator/EmulatedRig.h"
#include "log/LogFile.h"
#include "log/LogFormatter.h"

namespace {

using Millis = std::chrono::duration<double, std::milli>;

struct PathDialog : LogFileDialog {
  QString path;
  std::optional<QString> ChooseLogFile() override { return path; }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One read pass from the press to the link's close; its duration counted from
// its first transaction.
double Pass(TMainForm& form, TimingAdapter& adapter) {
  adapter.NewPass();
  form.ReadDataBtn->click();
  while (!adapter.closed) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return Millis(*adapter.closed - *adapter.firstTransaction).count();
}

// The log's work for a 33-row pass of the emulated pack, in microseconds.
double LogWorkPerPass(const QString& path, const QStringList& values, int passes) {
  const LogFormatter formatter;
  LogFile file;
  file.Create(path);
  QElapsedTimer timer;
  timer.start();
  const QDateTime start = QDateTime::currentDateTime();
  for (int pass = 0; pass < passes; ++pass) {
    file.Write(LogFormatter::FileBytes(formatter.RecordStart(start)));
    for (const QString& value : values) {
      file.Write(LogFormatter::FileBytes(LogFormatter::FieldSeparator()));
      file.Write(LogFormatter::FileBytes(value));
    }
  }
  file.Close();
  return timer.nsecsElapsed() / 1000.0 / passes;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  QTemporaryDir dir;

  const auto rig = EmulatedRig::Threaded();
  TimingAdapter adapter(rig->Adapter(), rig->Battery());
  ProgramWindows windows({adapter, rig->Ports(), rig->Probe()}, [](std::chrono::milliseconds) {});
  TMainForm& form = windows.MainForm();
  PathDialog dialog;
  dialog.path = dir.filePath("bench.txt");
  form.SetLogFileDialog(dialog);
  form.show();

  std::printf("pair  without_log_ms  with_log_ms  difference_ms\n");
  std::vector<double> without;
  std::vector<double> with;
  for (int pair = 1; pair <= pairs; ++pair) {
    without.push_back(Pass(form, adapter));
    form.MenuFileOpenLogFileClick();
    with.push_back(Pass(form, adapter));
    form.MenuFileCloseLogFileClick();
    std::printf("%4d  %14.2f  %11.2f  %13.2f\n", pair, without.back(), with.back(),
                with.back() - without.back());
  }
  const double medianWithout = Median(without);
  const double medianWith = Median(with);
  std::printf("median without log %.2f ms, with log %.2f ms: %+.3f %%\n", medianWithout, medianWith,
              (medianWith / medianWithout - 1) * 100);

  QStringList values;
  for (int row = 0; row < kRegisterRowCount; ++row) values << form.Row(row).Data->text();
  const double work = LogWorkPerPass(dir.filePath("work.txt"), values, 100000);
  std::printf("log work per 33-row pass: %.2f us (%.5f %% of a %.0f ms pass)\n", work,
              work / 1000 / medianWithout * 100, medianWithout);
  return 0;
}
