// `pelmor plot` of long logs: writes a log of N lines and one of N/10 (one
// record a second of the emulated pack, discharged again every three hours,
// five registers as a discharge test logs them), then draws each with the
// real executable into a PNG and prints the time it took and its peak
// resident memory (VmHWM: wait4's ru_maxrss of the process). The memory
// holds the points drawn, not the file: both logs should take about the same.
//
// Usage: plot_benchmark [lines]   (default 10000000; the log takes 48 bytes a line)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <chrono>
#include <cstdio>

#include "battery/RegisterTable.h"
#include "battery/ValueCodec.h"
#include "emulator/SmartBattery.h"
#include "log/LogFormatter.h"

extern char** environ;

namespace {

const std::array<int, 5> kRows = {8, 9, 10, 13, 15};  // the curve of a discharge
constexpr qint64 kCycleSeconds = 3 * 3600;

// Writes a log of this many lines, 08:00:00 on 7 December 2026 onwards.
bool WriteLog(const QString& path, qint64 lines) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QList<LogColumn> columns;
  for (const int row : kRows) {
    columns.append({QString::fromLatin1(RegisterTable()[row].registerName),
                    QString::fromLatin1(RegisterTable()[row].unitClass)});
  }
  QByteArray text = LogFormatter::FileBytes(LogFormatter::HeaderLine(columns));
  const SmartBattery pack;
  const LogFormatter formatter;
  const QDateTime start(QDate(2026, 12, 7), QTime(8, 0, 0), Qt::UTC);
  QStringList values;
  for (qint64 second = 0; second + 1 < lines; ++second) {
    const auto sinceCharged = std::chrono::seconds(second % kCycleSeconds);
    values.clear();
    for (const int row : kRows) {
      const std::uint16_t word = *pack.ReadWord(RegisterTable()[row].commandCode, sinceCharged);
      ReplyBuffer reply{};
      reply[0] = static_cast<std::uint8_t>(word & 0xFF);
      reply[1] = static_cast<std::uint8_t>(word >> 8);
      values << DecodeReply(QString::fromLatin1(RegisterTable()[row].unitClass), reply);
    }
    text += LogFormatter::FileBytes(LogFormatter::LineEnd() +
                                    formatter.RecordLine(start.addSecs(second), values));
    if (text.size() > (1 << 20)) {
      if (file.write(text) != text.size()) return false;
      text.clear();
    }
  }
  text += LogFormatter::FileBytes(LogFormatter::LineEnd());
  return file.write(text) == text.size() && file.flush();
}

struct Run {
  int status = -1;
  double seconds = 0;
  long peakKiB = 0;
};

Run Plot(const QString& log, const QString& png) {
  const QByteArray logPath = log.toLocal8Bit();
  const QByteArray pngPath = png.toLocal8Bit();
  char* arguments[] = {const_cast<char*>(PELMOR_EXECUTABLE),   const_cast<char*>("plot"),
                       const_cast<char*>(logPath.constData()), const_cast<char*>("-o"),
                       const_cast<char*>(pngPath.constData()), nullptr};
  Run run;
  QElapsedTimer timer;
  timer.start();
  pid_t pid = 0;
  if (posix_spawn(&pid, PELMOR_EXECUTABLE, nullptr, nullptr, arguments, environ) != 0) return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKiB = usage.ru_maxrss;
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const qint64 lines = argc > 1 ? std::atoll(argv[1]) : 10'000'000;
  if (lines < 10) {
    std::fprintf(stderr, "usage: plot_benchmark [lines >= 10]\n");
    return 2;
  }
  QTemporaryDir dir;
  for (const qint64 count : {lines / 10, lines}) {
    const QString log = dir.filePath(QStringLiteral("log-%1.txt").arg(count));
    QElapsedTimer writing;
    writing.start();
    if (!WriteLog(log, count)) {
      std::fprintf(stderr, "plot_benchmark: cannot write %s\n", qPrintable(log));
      return 1;
    }
    const double writeSeconds = static_cast<double>(writing.elapsed()) / 1000;
    const Run run = Plot(log, dir.filePath(QStringLiteral("plot-%1.png").arg(count)));
    std::printf(
        "%10lld lines, %7.1f MB (written in %.1f s): pelmor plot took %6.2f s, peak "
        "resident memory (VmHWM) %ld KiB, exit status %d\n",
        static_cast<long long>(count), static_cast<double>(QFile(log).size()) / 1e6, writeSeconds,
        run.seconds, run.peakKiB, run.status);
    QFile::remove(log);
  }
  return 0;
}
