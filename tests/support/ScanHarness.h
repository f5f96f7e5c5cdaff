#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "emulator/EmulatedRig.h"
#include "scan/ScanEngine.h"
#include "tests/support/FakeRowControls.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RigTime.h"

using namespace std::chrono_literals;

// Shows what the scan tells, as the window's controls would.
struct FakeScanControls : ScanControls {
  bool running = false;
  ScanMode mode = ScanMode::Read;
  bool allSelected = true;
  bool autoRepeat = false;
  QString autoRepeatCaption = "Auto Repeat (10 Seconds)";
  RepeatInterval interval = RepeatInterval::TenSeconds;
  QStringList warnings;
  void ShowScanState(bool scanRuns, ScanMode scanMode) override {
    running = scanRuns;
    mode = scanMode;
  }
  void ShowAllSelected(bool all) override { allSelected = all; }
  bool AutoRepeatTicked() const override { return autoRepeat; }
  void SetAutoRepeatCaption(const QString& text) override { autoRepeatCaption = text; }
  RepeatInterval MarkedRepeatInterval() const override { return interval; }
  void MarkRepeatInterval(RepeatInterval value) override { interval = value; }
  void ShowWarning(const QString& title, const QString& text) override {
    warnings << title + "|" + text;
  }
};

struct FakeStatusLine : StatusLine {
  QStringList history;
  void ShowStatus(const QString& text) override { history << text; }
  QString Last() const { return history.isEmpty() ? QString() : history.last(); }
};

struct FakeLinkSettings : LinkSettings {
  std::optional<QString> comEntry = QString("1");
  std::optional<int> addressEntry = 11;
  mutable int comReads = 0;
  std::optional<QString> SelectedComPortEntry() const override {
    ++comReads;
    return comEntry;
  }
  std::optional<int> SelectedAddressEntry() const override { return addressEntry; }
};

struct FakeErrors : ErrorReporter {
  QStringList shown;
  void ShowError(const QString& text) override { shown << text; }
};

// Records the log steps in order; a step can be made to fail.
struct RecordingLog : ScanLog {
  QStringList steps;
  QString failing;  // the step name that fails, e.g. "value"
  bool Step(const QString& name, const QString& detail) {
    steps << name + (detail.isEmpty() ? QString() : ":" + detail);
    return name != failing;
  }
  bool HeaderStep(int row) override { return Step("header", QString::number(row)); }
  void EndHeaderColumns() override { steps << "endheader"; }
  bool LogPrefix(bool beginsRecord, const QDateTime& start) override {
    return Step("prefix", beginsRecord ? start.toString("hh:mm:ss") : QString());
  }
  bool ValueStep(int, const QString& text) override { return Step("value", text); }
  bool FailurePlaceholder(int row) override { return Step("placeholder", QString::number(row)); }
};

// Hands the scan's log steps on to the log a test chose: the recording one
// unless the test picks another.
struct LogSwitch : ScanLog {
  explicit LogSwitch(ScanLog* log) : target(log) {}
  ScanLog* target;
  bool HeaderStep(int row) override { return target->HeaderStep(row); }
  void EndHeaderColumns() override { target->EndHeaderColumns(); }
  bool LogPrefix(bool beginsRecord, const QDateTime& start) override {
    return target->LogPrefix(beginsRecord, start);
  }
  bool ValueStep(int row, const QString& text) override { return target->ValueStep(row, text); }
  bool FailurePlaceholder(int row) override { return target->FailurePlaceholder(row); }
};

// The scan's core on a deterministic rig, its timers and wall clock on the
// rig's time. Adapter events are dispatched as the rig reports them.
class ScanHarness : public ::testing::Test {
 protected:
  explicit ScanHarness(ScanPolicy scanPolicy = ScanPolicy::Window(),
                       EmulatedFault fault = EmulatedFault::None)
      : policy(scanPolicy), rig(EmulatedRig::Deterministic(fault)) {
    catalogue.BuildCatalogue(rows);
    rig->Adapter().SetOpenDelay(30ms);
  }

  Micros Now() const { return timers.Now(); }

  // Moves time on, firing timers and reporting adapter events as they fall due.
  void Advance(Micros by) { timers.Advance(by); }
  // A scan in the mode chosen last.
  void StartScan() { engine.Start(engine.State().mode); }

  // Starts a scan and lets the link open.
  void StartScanAndOpenLink() {
    StartScan();
    Advance(30ms);
    ASSERT_TRUE(engine.IsRunning());
  }

  // Runs until the scan runs no more or the time is up; a link that is still
  // opening gets its time first.
  void RunUntilIdle(Micros limit = 60s) {
    const Micros end = Now() + limit;
    if (!engine.IsRunning()) Advance(50ms);
    while (engine.IsRunning() && Now() < end) Advance(10ms);
  }

  void Untick(std::initializer_list<int> rowsToUntick) {
    for (int row : rowsToUntick) catalogue.SetSelected(row, false);
  }
  void TickOnly(std::initializer_list<int> rowsToTick) {
    catalogue.SelectAll(false);
    for (int row : rowsToTick) catalogue.SetSelected(row, true);
  }
  void SwitchMode(ScanMode mode) { engine.SetMode(mode); }
  std::uint16_t BatteryWord(std::uint8_t command) {
    return rig->Battery().ReadWord(command, Now()).value();
  }
  int Transactions() const { return rig->Adapter().TransactionsStarted(); }

  ScanPolicy policy;
  std::unique_ptr<EmulatedRig> rig = EmulatedRig::Deterministic();
  FakeRowControlsSource rows;
  RegisterCatalogue catalogue;
  FakeScanControls controls;
  FakeStatusLine status;
  FakeLinkSettings settings;
  FakeErrors errors;
  RecordingLog log;
  LogSwitch logSwitch{&log};
  RigTimers timers{*rig};
  RigTimer& timer1 = timers.transaction;
  RigTimer& timer2 = timers.repeat;
  RigClock clock{*rig, QDateTime(QDate(2026, 12, 7), QTime(9, 30, 0))};
  ScanEngine engine{{.adapter = rig->Adapter(),
                     .catalogue = catalogue,
                     .controls = controls,
                     .status = status,
                     .settings = settings,
                     .errors = errors,
                     .transactionTimer = timer1,
                     .repeatTimer = timer2,
                     .clock = clock,
                     .log = logSwitch,
                     .events = ScanEngine::EventPath::Direct},
                    policy};
  const ScanState& state = engine.State();
};
