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
#include <fstream>
#include <random>
#include <string>

#include "EmulatedRig.h"
#include "PlainRowControls.h"
#include "ScanEngine.h"
#include "ScanLogFile.h"

namespace {

using namespace std::chrono_literals;
using Micros = std::chrono::microseconds;

// A timer on the rig's clock, fired by the soak's loop when its time comes.
class RigTimer : public Timer {
 public:
  explicit RigTimer(const EmulatedRig& rig) : rig_(rig) {}
  void SetInterval(int ms) override {
    if (ms == interval_) return;
    interval_ = ms;
    if (active_) deadline_ = Now() + std::chrono::milliseconds(ms);
  }
  int Interval() const override { return interval_; }
  void Start() override {
    if (active_) return;
    active_ = true;
    deadline_ = Now() + std::chrono::milliseconds(interval_);
  }
  void Stop() override { active_ = false; }
  bool IsActive() const override { return active_; }
  void SetTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  // Fires when the deadline has come; true when it did.
  bool FireIfDue() {
    if (!active_ || deadline_ > Now()) return false;
    deadline_ = Now() + std::chrono::milliseconds(interval_);
    handler_();
    return true;
  }
  std::optional<Micros> Deadline() const {
    return active_ ? std::optional(deadline_) : std::nullopt;
  }

 private:
  Micros Now() const { return std::chrono::duration_cast<Micros>(rig_.Now()); }
  const EmulatedRig& rig_;
  int interval_ = 100;
  bool active_ = false;
  Micros deadline_{0};
  std::function<void()> handler_;
};

class RigClock : public Clock {
 public:
  explicit RigClock(const EmulatedRig& rig) : rig_(rig) {}
  QDateTime Now() const override {
    return base_.addMSecs(
        std::chrono::duration_cast<std::chrono::milliseconds>(rig_.Now()).count());
  }

 private:
  const EmulatedRig& rig_;
  QDateTime base_ = QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0));
};

struct SoakControls : ScanControls {
  QString caption = QStringLiteral("Read Data");
  QString selectCaption = QStringLiteral("Deselect All");
  QString autoRepeatCaption;
  RepeatInterval interval = RepeatInterval::Continuous;
  int warnings = 0;
  QString ButtonCaption() const override { return caption; }
  void SetButtonCaption(const QString& text) override { caption = text; }
  QString SelectCaption() const override { return selectCaption; }
  void SetSelectCaption(const QString& text) override { selectCaption = text; }
  int TabIndex() const override { return 0; }
  bool AutoRepeatTicked() const override { return true; }
  void SetAutoRepeatCaption(const QString& text) override { autoRepeatCaption = text; }
  RepeatInterval MarkedRepeatInterval() const override { return interval; }
  void MarkRepeatInterval(RepeatInterval value) override { interval = value; }
  void ShowWarning(const QString&, const QString&) override { ++warnings; }
};

// The status line keeps only its last text, as the window's does.
struct SoakStatus : StatusLine {
  QString text;
  void ShowStatus(const QString& value) override { text = value; }
};

struct SoakSettings : LinkSettings {
  std::optional<QString> SelectedComPortEntry() const override { return QStringLiteral("1"); }
  std::optional<int> SelectedAddressEntry() const override { return 11; }
};

struct SoakErrors : ErrorReporter, LogWindow {
  int shown = 0;
  QString last;
  bool logOpen = false;
  void ShowError(const QString& text) override {
    ++shown;
    last = text;
  }
  bool LogFileOpen() const override { return logOpen; }
  void SetLogFileOpen(bool open) override { logOpen = open; }
  QString StandardTitle() const override { return QStringLiteral("Pelmor"); }
  void SetTitle(const QString&) override {}
};

// The resident memory from /proc/self/status, in KiB.
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

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

// The scan's core wired as the window wires it, on the deterministic rig.
class Soak {
 public:
  Soak(const QString& logPath, unsigned seed) : random_(seed) {
    catalogue_.BuildCatalogue(rows_);
    log_.OpenLogFile(logPath);
  }

  void Run(std::chrono::hours hours) {
    sequencer_.MenuOptionsAutoRepeatContinuousClick();
    sequencer_.ReadDataBtnClick();
    CountPassBegun();
    const Micros end = Now() + hours;
    Micros nextFault = Now() + 1s;
    Micros recovery = Micros::max();
    while (Now() < end) {
      if (Now() >= nextFault) {
        InjectFault(recovery);
        nextFault = Now() + std::chrono::milliseconds(Pick(200, 4000));
      }
      if (Now() >= recovery) {
        rig_->Adapter().SetAnswering(true);
        recovery = Micros::max();
      }
      Step();
      if (!firstHourKiB_ && Now() >= 1h) firstHourKiB_ = ResidentKiB();
    }
  }

  void Stop() {
    if (controls_.caption == QStringLiteral("Stop")) sequencer_.ReadDataBtnClick();
    log_.MenuFileCloseLogFileClick();
  }

  long passes = 0;
  long faults = 0;
  long hangs = 0;
  long FirstHourKiB() const { return firstHourKiB_; }
  const SoakErrors& Errors() const { return errors_; }

 private:
  Micros Now() const { return std::chrono::duration_cast<Micros>(rig_->Now()); }
  int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random_); }

  // Moves the rig on by at most a millisecond, to the next timer deadline at
  // the latest, then fires the timers that are due; counts each pass begun.
  void Step() {
    Micros step = Now() + 1ms;
    for (RigTimer* timer : {&timer1_, &timer2_}) {
      if (auto deadline = timer->Deadline()) step = std::min(step, std::max(*deadline, Now()));
    }
    rig_->Advance(step - Now());
    CountPassBegun();
    timer1_.FireIfDue();
    timer2_.FireIfDue();
    CountPassBegun();
  }

  // A pass begins where the row index goes back; at most one can begin
  // between two looks, as a pass issues its first read when it begins.
  void CountPassBegun() {
    if (state_.rowIndex < lastRow_) ++passes;
    lastRow_ = state_.rowIndex;
  }

  void InjectFault(Micros& recovery) {
    EmulatedAdapter& adapter = rig_->Adapter();
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
          recovery = Now() + std::chrono::milliseconds(Pick(300, 5000));
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
  std::unique_ptr<EmulatedRig> rig_ = EmulatedRig::Deterministic();
  PlainRowControlsSource rows_;
  RegisterCatalogue catalogue_;
  SoakControls controls_;
  SoakStatus status_;
  SoakSettings settings_;
  SoakErrors errors_;
  RigTimer timer1_{*rig_};
  RigTimer timer2_{*rig_};
  RigClock clock_{*rig_};
  ScanLogFile log_{catalogue_, errors_, LogFormatter{}};
  ScanEngine engine_{
      {rig_->Adapter(), catalogue_, controls_, status_, settings_, errors_, timer1_, timer2_,
       clock_, log_, [this](std::int32_t code) { engine_.DispatchAdapterEvent(code & 0xFFFF); }},
      ScanPolicy::Window()};
  ScanSequencer& sequencer_ = engine_.Sequencer();
  const ScanState& state_ = engine_.State();
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
