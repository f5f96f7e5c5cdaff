// Writes the log of an emulated discharge test as the window would write it:
// continuous auto-repeat over the named registers (all 33 when none is
// named) with the log file open, for some virtual hours on the deterministic
// rig, whose clock runs as fast as the computer can. Eight hours take a few
// seconds. The log's time stamps start at 08:00 on 7 December 2026.
//
// Usage: discharge_log HOURS FILE [REGISTER...] [--pack PACK]
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

#include "battery/RegisterNames.h"
#include "bench/RigScan.h"
#include "cli/HeadlessRequest.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  EmulatedPack pack = EmulatedPack::Standard;
  if (const qsizetype at = arguments.indexOf(QStringLiteral("--pack")); at > 0) {
    const std::optional<EmulatedPack> named =
        at + 1 < arguments.size() ? EmulatedPackNamed(arguments[at + 1].toStdString())
                                  : std::nullopt;
    if (!named) {
      std::fprintf(stderr,
                   "discharge_log: --pack takes worn, unbalanced, alarm, conditioning or pile\n");
      return 2;
    }
    pack = *named;
    arguments.remove(at, 2);
  }
  const int hours = arguments.size() > 2 ? arguments[1].toInt() : 0;
  if (hours < 1) {
    std::fprintf(stderr, "usage: discharge_log HOURS FILE [REGISTER...] [--pack PACK]\n");
    return 2;
  }
  std::vector<int> rows;
  for (const QString& name : arguments.mid(3)) {
    const std::optional<int> row = RowNamed(name);
    if (!row) {
      std::fprintf(stderr, "discharge_log: unknown register %s\n", qPrintable(name));
      return 2;
    }
    rows.push_back(*row);
  }
  const QString path = arguments[2];

  RigScan scan(pack);
  if (!rows.empty()) scan.TickOnly(rows);
  scan.OpenLog(path);
  if (scan.Errors().shown > 0) {
    std::fprintf(stderr, "discharge_log: %s\n", qPrintable(scan.Errors().last));
    return 1;
  }
  scan.Start(RepeatInterval::Continuous);
  const auto end = scan.Now() + std::chrono::hours(hours);
  // The last pass is read to its end, so that every record is whole.
  while (scan.Now() < end || scan.State().rowIndex < kNoRow) {
    scan.AdvanceRig();
    scan.FireDueTimers();
  }
  scan.Stop();
  if (scan.Errors().shown > 0) {
    std::fprintf(stderr, "discharge_log: %s\n", qPrintable(scan.Errors().last));
    return 1;
  }
  std::printf("%s: %d virtual hours, %lld bytes\n", qPrintable(path), hours,
              static_cast<long long>(QFile(path).size()));
  return 0;
}
