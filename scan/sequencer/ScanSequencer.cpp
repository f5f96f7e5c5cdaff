#include "scan/sequencer/ScanSequencer.h"

#include <algorithm>

#include "battery/ValueCodec.h"

namespace {

QString Text(const char* text) {
  return QString::fromLatin1(text);
}

}  // namespace

ScanSequencer::ScanSequencer(ScanState& state, Ports ports, const ScanPolicy& policy)
    : state_(state), ports_(ports), policy_(policy) {}

bool ScanSequencer::IsRunning() const {
  return ports_.controls.ButtonCaption() == Text(kStopCaption);
}

QString ScanSequencer::IdleCaption() const {
  return Text(ports_.controls.TabIndex() == 0 ? kReadCaption : kWriteCaption);
}

void ScanSequencer::ReadDataBtnClick() {
  ports_.timer2.Stop();
  ComputeRepeatTime(true);
  if (IsRunning()) {
    Stop();
  } else {
    Start();
  }
}

// A write sends only texts that stand for exactly one word each: one that
// does not is named in a box, and nothing is written.
bool ScanSequencer::WriteTextsRefused() {
  if (ports_.controls.TabIndex() == 0) return false;
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

void ScanSequencer::Start() {
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
  ports_.controls.SetButtonCaption(IdleCaption());
  if (state_.rowIndex == state_.noRow) {
    // The pass is over and the link closes now: the last row's tick, if it is
    // still due, has nothing left to do, and would close a link that a new
    // press of Read Data has begun to open.
    ports_.timer1.Stop();
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
  ports_.timer1.Stop();
  Halt(ScanHalt::Reason::LogWriteFailed);
}

void ScanSequencer::ShowIdle(ScanStop reason) {
  const bool wasRunning = IsRunning();
  ports_.controls.SetButtonCaption(IdleCaption());
  ports_.timer2.Stop();
  CloseLink();
  if (wasRunning) ports_.events.ScanStopped(reason);
}

void ScanSequencer::CloseLink() {
  if (!ports_.link.CloseLink()) return;
  state_.LinkClosed();
  ports_.events.LinkClosed();
}

void ScanSequencer::BeginRunning() {
  ports_.controls.SetButtonCaption(Text(kStopCaption));
  state_.ResetAttempts();
  ports_.timer1.Arm(policy_.rowPacingMs);
  ports_.timer2.Start();
  ports_.events.PassStarted(state_.scanStartTime);
}

void ScanSequencer::Timer1Timer() {
  ports_.timer1.Stop();
  if (!IsRunning()) {
    ports_.timer2.Stop();
    CloseLink();
    return;
  }
  IssueNextTransaction();
  if (state_.rowIndex < state_.noRow || ports_.controls.AutoRepeatTicked()) return;
  ShowIdle(ScanStop::Finished);
}

// Ends with the row index on the row whose transaction was issued, or at
// past the last row (noRow) when none is left.
void ScanSequencer::IssueNextTransaction() {
  while (state_.rowIndex < state_.noRow) {
    if (ports_.catalogue.IsEnabled(state_.rowIndex) &&
        ports_.catalogue.IsSelected(state_.rowIndex)) {
      state_.rowIsRead = ports_.controls.TabIndex() == 0;
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
  ports_.timer1.Arm(policy_.rowPacingMs);
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
  ports_.timer1.Arm(pauseMs);
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

void ScanSequencer::Timer2Timer() {
  if (state_.rowIndex < state_.noRow) return;  // a pass is under way
  if (!IsRunning() || !ports_.controls.AutoRepeatTicked()) {
    // The pass is over and the link closes: a transaction timer tick still
    // due has nothing left to do, and would close a link that a new press of
    // Read Data has begun to open.
    ports_.timer1.Stop();
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
  IssueNextTransaction();
}

void ScanSequencer::SelectBtnClick() {
  const bool selectAll = ports_.controls.SelectCaption() == Text(kSelectAllCaption);
  ports_.catalogue.SelectAll(selectAll);
  ports_.controls.SetSelectCaption(Text(selectAll ? kDeselectAllCaption : kSelectAllCaption));
}

void ScanSequencer::TabSet1Click() {
  const bool reading = ports_.controls.TabIndex() == 0;
  const bool wasRunning = IsRunning();
  ports_.controls.SetButtonCaption(IdleCaption());
  ports_.catalogue.SetMode(reading ? ScanMode::Read : ScanMode::Write);
  if (wasRunning) ports_.events.ScanStopped(ScanStop::TabSwitched);
}

void ScanSequencer::ChooseRepeatInterval(RepeatInterval interval) {
  ports_.controls.MarkRepeatInterval(interval);
  ports_.controls.SetAutoRepeatCaption(QString::fromLatin1(SettingOf(interval).autoRepeatCaption));
}
