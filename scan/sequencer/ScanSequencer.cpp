#include "scan/sequencer/ScanSequencer.h"

#include <algorithm>

#include "battery/ValueCodec.h"

ScanSequencer::ScanSequencer(ScanState& state, Ports ports, const ScanPolicy& policy)
    : state_(state), ports_(ports), policy_(policy) {}

void ScanSequencer::Pressed() {
  ports_.repeatTimer.Stop();
  ComputeRepeatTime(true);
}

void ScanSequencer::SetRunning(bool running) {
  state_.running = running;
  ports_.controls.ShowScanState(running, state_.mode);
}

// A write sends only texts that stand for exactly one word each: one that
// does not is named in a box, and nothing is written.
bool ScanSequencer::WriteTextsRefused() {
  if (state_.mode == ScanMode::Read) return false;
  for (int row = 0; row < ports_.catalogue.RowCount(); ++row) {
    if (!ports_.catalogue.IsSelected(row) || !ports_.catalogue.IsEnabled(row)) continue;
    const std::optional<QString> refusal =
        WriteTextRefusal(ports_.catalogue.RegisterName(row), ports_.catalogue.UnitClass(row),
                         ports_.catalogue.DataText(row));
    if (refusal) {
      ports_.controls.ShowWarning(QStringLiteral("Warning"), *refusal);
      ports_.events.ScanHalted({ScanHalt::Reason::WriteTextRefused, row});
      return true;
    }
  }
  return false;
}

void ScanSequencer::Start(ScanMode mode) {
  if (IsRunning()) return;
  if (mode != state_.mode) SetMode(mode);
  Pressed();
  if (WriteTextsRefused()) return;
  state_.rowIndex = state_.noRow;
  for (int row = 0; row < ports_.catalogue.RowCount(); ++row) {
    if (!ports_.catalogue.IsSelected(row)) continue;
    if (!ports_.log.HeaderStep(row)) {
      HaltOnFailedLogStep();
      return;
    }
    if (state_.rowIndex == state_.noRow) state_.rowIndex = row;
  }
  ports_.log.EndHeaderColumns();
  if (state_.rowIndex == state_.noRow) {
    ports_.controls.ShowWarning(QStringLiteral("Warning"),
                                QStringLiteral("No Smart Battery Data Selected"));
    Halt(ScanHalt::Reason::NothingSelected);
    return;
  }
  state_.BeginPass();
  switch (ports_.link.QueryLink()) {
    case LinkStatus::Open:
      BeginRunning();
      break;
    case LinkStatus::Closed:
      ports_.link.OpenLink();
      break;
    case LinkStatus::Unknown:
      break;
  }
}

void ScanSequencer::Stop() {
  if (!IsRunning()) return;
  Pressed();
  SetRunning(false);
  if (state_.rowIndex == state_.noRow) {
    // The pass is over and the link closes now: the last row's tick, if it is
    // still due, has nothing left to do, and would close a link that a new
    // press of Read Data has begun to open.
    ports_.transactionTimer.Stop();
    CloseLink();
  }
  ports_.events.ScanStopped(ScanStop::StopPressed);
}

void ScanSequencer::Halt(ScanHalt::Reason reason) {
  ports_.events.ScanHalted({reason, state_.rowIndex < state_.noRow ? state_.rowIndex : -1});
}

// One failed log step is one error box: the transaction timer, which a fault
// such as an arbitration loss leaves armed, would otherwise try the row again
// and fail the same step again.
void ScanSequencer::HaltOnFailedLogStep() {
  ports_.transactionTimer.Stop();
  Halt(ScanHalt::Reason::LogWriteFailed);
}

void ScanSequencer::ShowIdle(ScanStop reason) {
  const bool wasRunning = IsRunning();
  SetRunning(false);
  ports_.repeatTimer.Stop();
  CloseLink();
  if (wasRunning) ports_.events.ScanStopped(reason);
}

void ScanSequencer::CloseLink() {
  if (!ports_.link.CloseLink()) return;
  state_.LinkClosed();
  ports_.events.LinkClosed();
}

void ScanSequencer::BeginRunning() {
  SetRunning(true);
  state_.ResetAttempts();
  ports_.transactionTimer.Arm(policy_.rowPacingMs);
  ports_.repeatTimer.Start();
  ports_.events.PassStarted(state_.scanStartTime);
}

void ScanSequencer::IssueNextTransaction() {
  ports_.transactionTimer.Stop();
  if (!IsRunning()) {
    ports_.repeatTimer.Stop();
    CloseLink();
    return;
  }
  IssueFromCurrentRow();
  if (state_.rowIndex < state_.noRow || ports_.controls.AutoRepeatTicked()) return;
  ShowIdle(ScanStop::Finished);
}

// Ends with the row index on the row whose transaction was issued, or at
// past the last row (noRow) when none is left.
void ScanSequencer::IssueFromCurrentRow() {
  while (state_.rowIndex < state_.noRow) {
    if (ports_.catalogue.IsEnabled(state_.rowIndex) &&
        ports_.catalogue.IsSelected(state_.rowIndex)) {
      state_.rowIsRead = state_.mode == ScanMode::Read;
      if (state_.rowIsRead) {
        ports_.transactions.ReadTransaction();
      } else {
        ports_.transactions.WriteTransaction();
      }
      return;
    }
    // A row unticked while it was being tried leaves its attempts behind:
    // the next row's first attempt is a first attempt.
    LeaveRow();
  }
}

void ScanSequencer::LeaveRow() {
  ++state_.rowIndex;
  state_.ResetAttempts();
  if (state_.rowIndex == state_.noRow) ports_.events.PassEnded(state_.scanStartTime);
}

void ScanSequencer::BeginScanOnLinkOpen() {
  state_.rowIndex = 0;
  while (state_.rowIndex < state_.noRow && !ports_.catalogue.IsSelected(state_.rowIndex)) {
    ++state_.rowIndex;
  }
  if (state_.rowIndex == state_.noRow) return;
  state_.BeginPass();
  BeginRunning();
}

void ScanSequencer::CompleteRow() {
  if (state_.rowIndex >= state_.noRow) return;
  LeaveRow();
  ports_.transactionTimer.Arm(policy_.rowPacingMs);
}

void ScanSequencer::FailAttempt(int pauseMs) {
  if (state_.rowIndex >= state_.noRow) return;
  if (--state_.retryCounter <= 0) {
    // A write scan adds nothing to the log: a given-up write has no field of
    // a record to fill, and its placeholder would land at the end of the
    // last record written.
    if (state_.rowIsRead && !ports_.log.FailurePlaceholder(state_.rowIndex)) {
      HaltOnFailedLogStep();
      return;
    }
    LeaveRow();
  }
  ports_.transactionTimer.Arm(pauseMs);
}

void ScanSequencer::ComputeRepeatTime(bool atPress) {
  state_.scanStartTime = ports_.clock.Now();
  const RepeatIntervalSetting& setting = SettingOf(ports_.controls.MarkedRepeatInterval());
  state_.repeatMarkWall = state_.scanStartTime;
  state_.repeatMarkMonotonic = ports_.clock.Monotonic();
  state_.repeatInterval = std::chrono::seconds(setting.TotalSeconds());
  if (setting.IsTimed()) {
    state_.nextRepeatTime = state_.scanStartTime.addSecs(setting.TotalSeconds());
  } else if (atPress) {
    // Continuous passes never wait for a repeat time left in the future by a
    // timed interval chosen before.
    state_.nextRepeatTime = state_.scanStartTime;
  }
}

void ScanSequencer::RepeatPassWhenDue() {
  if (state_.rowIndex < state_.noRow) return;  // a pass is under way
  if (!IsRunning() || !ports_.controls.AutoRepeatTicked()) {
    // The pass is over and the link closes: a transaction timer tick still
    // due has nothing left to do, and would close a link that a new press of
    // Read Data has begun to open.
    ports_.transactionTimer.Stop();
    ShowIdle(ScanStop::Finished);
    return;
  }
  RebaseRepeatTimeOnClockStep();
  if (ports_.clock.Now() < state_.nextRepeatTime) return;
  ComputeRepeatTime(false);
  RestartScan();
}

// A wall clock set back would hold the scan for as long as it was set back,
// without a word; one set forward would start the next pass early. When it
// has moved against the monotonic clock by more than the repeat interval, the
// repeat time is re-based from now: what is left of the wait, measured on the
// monotonic clock, is waited from now on.
void ScanSequencer::RebaseRepeatTimeOnClockStep() {
  const QDateTime now = ports_.clock.Now();
  const std::chrono::milliseconds monotonic = ports_.clock.Monotonic();
  const std::chrono::milliseconds waited = monotonic - state_.repeatMarkMonotonic;
  const std::chrono::milliseconds step{state_.repeatMarkWall.msecsTo(now) - waited.count()};
  if (std::chrono::abs(step) <= state_.repeatInterval) return;
  const std::chrono::milliseconds left{state_.repeatMarkWall.msecsTo(state_.nextRepeatTime) -
                                       waited.count()};
  state_.nextRepeatTime = now.addMSecs(std::max<qint64>(left.count(), 0));
  state_.repeatMarkWall = now;
  state_.repeatMarkMonotonic = monotonic;
}

void ScanSequencer::RestartScan() {
  if (!IsRunning() || !ports_.controls.AutoRepeatTicked()) return;
  state_.rowIndex = 0;
  state_.BeginPass();
  ports_.events.PassStarted(state_.scanStartTime);
  IssueFromCurrentRow();
}

void ScanSequencer::SelectAll() {
  ports_.catalogue.SelectAll(true);
  state_.allSelected = true;
  ports_.controls.ShowAllSelected(true);
}

void ScanSequencer::DeselectAll() {
  ports_.catalogue.SelectAll(false);
  state_.allSelected = false;
  ports_.controls.ShowAllSelected(false);
}

void ScanSequencer::SetMode(ScanMode mode) {
  const bool wasRunning = IsRunning();
  state_.mode = mode;
  SetRunning(false);
  ports_.catalogue.SetMode(mode);
  if (wasRunning) ports_.events.ScanStopped(ScanStop::TabSwitched);
}

void ScanSequencer::SetRepeatInterval(RepeatInterval interval) {
  ports_.controls.MarkRepeatInterval(interval);
  ports_.controls.SetAutoRepeatCaption(QString::fromLatin1(SettingOf(interval).autoRepeatCaption));
}
