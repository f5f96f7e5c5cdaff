// Eight virtual hours of continuous auto-repeat over all 33 rows with a log
// file open, on the deterministic emulated rig with timers and a wall clock
// that run on the rig's time, while faults are injected at random: no
// acknowledge, bus errors, arbitration losses, bus time-outs, late and
// duplicated outcomes, and a hung adapter that recovers after a while.
// Prints the passes begun, the records in the log file (one a pass), and the
// process's resident memory after the first virtual hour and at the end.
//
// Usage: scan_soak [hours] [seed]   (default 8 hours, seed 1)
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <random>

#include "bench/RigScan.h"

namespace {

using namespace std::chrono_literals;
using Micros = std::chrono::microseconds;

// The lines of the log that begin a record: a time stamp "mm/dd/yyyy ...".
long RecordsIn(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  long records = 0;
  while (!file.atEnd()) {
    const QByteArray line = file.readLine();
    if (line.size() > 10 && line[2] == '/' && line[5] == '/') ++records;
  }
  return records;
}

// Continuous auto-repeat over all 33 rows with the log open, while faults
// come at random.
class Soak {
 public:
  Soak(const QString& logPath, unsigned seed) : random_(seed) { scan_.OpenLog(logPath); }

  void Run(std::chrono::hours hours) {
    scan_.Start(RepeatInterval::Continuous);
    CountPassBegun();
    const Micros end = scan_.Now() + hours;
    Micros nextFault = scan_.Now() + 1s;
    Micros recovery = Micros::max();
    while (scan_.Now() < end) {
      if (scan_.Now() >= nextFault) {
        InjectFault(recovery);
        nextFault = scan_.Now() + std::chrono::milliseconds(Pick(200, 4000));
      }
      if (scan_.Now() >= recovery) {
        scan_.Rig().Adapter().SetAnswering(true);
        recovery = Micros::max();
      }
      scan_.AdvanceRig();
      CountPassBegun();
      scan_.FireDueTimers();
      CountPassBegun();
      if (!firstHourKiB_ && scan_.Now() >= 1h) firstHourKiB_ = ResidentKiB();
    }
  }

  void Stop() { scan_.Stop(); }

  long passes = 0;
  long faults = 0;
  long hangs = 0;
  long FirstHourKiB() const { return firstHourKiB_; }
  const RigErrors& Errors() const { return scan_.Errors(); }

 private:
  int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random_); }

  // A pass begins where the row index goes back; at most one can begin
  // between two looks, as a pass issues its first read when it begins.
  void CountPassBegun() {
    if (scan_.State().rowIndex < lastRow_) ++passes;
    lastRow_ = scan_.State().rowIndex;
  }

  void InjectFault(Micros& recovery) {
    EmulatedAdapter& adapter = scan_.Rig().Adapter();
    ++faults;
    switch (Pick(0, 7)) {
      case 0:
        adapter.FailNextTransactions(Pick(1, 3), AdapterEvent::SlaveNack);
        break;
      case 1:
        adapter.FailNextTransactions(Pick(1, 2), AdapterEvent::BusError);
        break;
      case 2:
        adapter.FailNextTransactions(1, AdapterEvent::ArbitrationLoss);
        break;
      case 3:
        adapter.FailNextTransactions(Pick(1, 2), AdapterEvent::BusTimeout);
        break;
      case 4:
        adapter.DelayNextOutcome(std::chrono::milliseconds(Pick(1, 400)));
        break;
      case 5:
        adapter.DuplicateNextOutcome();
        break;
      case 6:
        if (recovery == Micros::max()) {
          ++hangs;
          adapter.SetAnswering(false);
          recovery = scan_.Now() + std::chrono::milliseconds(Pick(300, 5000));
        }
        break;
      default:
        --faults;  // a quiet while
        break;
    }
  }

  std::mt19937 random_;
  long firstHourKiB_ = 0;
  int lastRow_ = kNoRow;
  RigScan scan_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int hours = argc > 1 ? std::atoi(argv[1]) : 8;
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1;
  if (hours < 1) {
    std::fprintf(stderr, "usage: scan_soak [hours >= 1] [seed]\n");
    return 2;
  }
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("soak.txt"));
  const long startKiB = ResidentKiB();
  const auto wallStart = std::chrono::steady_clock::now();

  Soak soak(path, seed);
  soak.Run(std::chrono::hours(hours));
  soak.Stop();
  const long endKiB = ResidentKiB();
  const long records = RecordsIn(path);
  const double wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

  std::printf("virtual hours        %d (seed %u, %.1f s of real time)\n", hours, seed, wallSeconds);
  std::printf("faults injected      %ld (hung adapter %ld times)\n", soak.faults, soak.hangs);
  std::printf("passes begun         %ld\n", soak.passes);
  std::printf("records in the log   %ld %s\n", records,
              records == soak.passes ? "(one a pass)" : "(NOT one a pass)");
  std::printf("log file size        %lld bytes\n", static_cast<long long>(QFile(path).size()));
  std::printf("error boxes          %d%s%s\n", soak.Errors().shown,
              soak.Errors().shown ? ", last: " : "", qPrintable(soak.Errors().last));
  std::printf(
      "resident memory      %ld KiB at the start, %ld KiB after the first hour, "
      "%ld KiB at the end\n",
      startKiB, soak.FirstHourKiB(), endKiB);
  const long growth = endKiB - soak.FirstHourKiB();
  std::printf("growth after hour 1  %ld KiB %s\n", growth,
              growth <= 2048 ? "(within 2 MiB)" : "(MORE than 2 MiB)");
  return records == soak.passes && growth <= 2048 && soak.Errors().shown == 0 ? 0 : 1;
}
