#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

#include "battery/PlainRowControls.h"
#include "emulator/EmulatedRig.h"
#include "log/ScanLogFile.h"
#include "scan/ScanEngine.h"
#include "tests/support/RigTime.h"

struct RigControls : ScanControls {
  QString autoRepeatCaption;
  RepeatInterval interval = RepeatInterval::Continuous;
  void ShowScanState(bool, ScanMode) override {}
  void ShowAllSelected(bool) override {}
  bool AutoRepeatTicked() const override { return true; }
  void SetAutoRepeatCaption(const QString& text) override { autoRepeatCaption = text; }
  RepeatInterval MarkedRepeatInterval() const override { return interval; }
  void MarkRepeatInterval(RepeatInterval value) override { interval = value; }
  void ShowWarning(const QString&, const QString&) override {}
};

// The status line keeps only its last text, as the window's does.
struct RigStatus : StatusLine {
  QString text;
  void ShowStatus(const QString& value) override { text = value; }
};

struct RigSettings : LinkSettings {
  std::optional<QString> SelectedComPortEntry() const override { return QStringLiteral("1"); }
  std::optional<int> SelectedAddressEntry() const override { return 11; }
};

struct RigErrors : ErrorReporter, LogWindow {
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

// The scan engine under the window's policy on the deterministic rig, with
// timers and the wall clock on the rig's time, and a log file.
class RigScan {
 public:
  using Micros = std::chrono::microseconds;

  explicit RigScan(EmulatedPack pack = EmulatedPack::Standard);

  // Ticks only these rows (all 33 are ticked at first).
  void TickOnly(const std::vector<int>& rows);
  void OpenLog(const QString& path) { log_.OpenLogFile(path); }
  // Auto-repeat at this interval, and Read Data.
  void Start(RepeatInterval interval);
  // Moves the rig on by at most a millisecond, to the next timer deadline at
  // the latest, reporting what falls due; then fires the timers that are due.
  void AdvanceRig() { timers_.Step(); }
  void FireDueTimers() { timers_.FireDue(); }
  // Stop, if a scan runs, and close the log.
  void Stop();

  Micros Now() const { return timers_.Now(); }
  EmulatedRig& Rig() { return *rig_; }
  const ScanState& State() const { return engine_.State(); }
  ScanEngine& Engine() { return engine_; }
  const RigErrors& Errors() const { return errors_; }

 private:
  std::unique_ptr<EmulatedRig> rig_;
  PlainRowControlsSource rows_;
  RegisterCatalogue catalogue_;
  RigControls controls_;
  RigStatus status_;
  RigSettings settings_;
  RigErrors errors_;
  RigTimers timers_{*rig_};
  // From 08:00 on 7 December 2026.
  RigClock clock_{*rig_, QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0))};
  ScanLogFile log_{catalogue_, errors_, LogFormatter{}};
  ScanEngine engine_{{.adapter = rig_->Adapter(),
                      .catalogue = catalogue_,
                      .controls = controls_,
                      .status = status_,
                      .settings = settings_,
                      .errors = errors_,
                      .transactionTimer = timers_.transaction,
                      .repeatTimer = timers_.repeat,
                      .clock = clock_,
                      .log = log_,
                      .events = ScanEngine::EventPath::Direct},
                     ScanPolicy::Window()};
};

// The process's memory from /proc/self/status, in KiB: resident now (VmRSS)
// and at its peak (VmHWM).
long ResidentKiB();
long PeakResidentKiB();
