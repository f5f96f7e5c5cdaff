#pragma once

#include "battery/RegisterCatalogue.h"
#include "scan/sequencer/AutoRepeat.h"
#include "scan/sequencer/ScanLog.h"
#include "scan/sequencer/ScanObserver.h"
#include "scan/sequencer/ScanPolicy.h"
#include "scan/sequencer/ScanPorts.h"
#include "scan/sequencer/ScanState.h"
#include "timing/Clock.h"
#include "timing/Timer.h"

// The scan: one pass over the ticked rows in row order, one bus transaction a
// row, paced by the transaction timer and moved on by the adapter's outcomes.
class ScanSequencer {
 public:
  struct Ports {
    RegisterCatalogue& catalogue;
    ScanControls& controls;
    ScanLink& link;
    ScanTransactions& transactions;
    Timer& timer1;  // transaction timer
    Timer& timer2;  // auto-repeat timer
    Clock& clock;
    ScanLog& log;
    ScanObserver& events;
  };

  static constexpr const char* kStopCaption = "Stop";
  static constexpr const char* kReadCaption = "Read Data";
  static constexpr const char* kWriteCaption = "Write Data";
  static constexpr const char* kSelectAllCaption = "Select All";
  static constexpr const char* kDeselectAllCaption = "Deselect All";
  // The auto-repeat timer's fixed period, which is also the transaction
  // timer's until the scan first arms it.
  static constexpr int kRepeatTickMs = 100;

  ScanSequencer(ScanState& state, Ports ports, const ScanPolicy& policy);

  // The Read Data button: start a scan, or stop the running one.
  void ReadDataBtnClick();
  // The transaction timer's tick: the next transaction, or the end of the pass.
  void Timer1Timer();
  // The link has opened: begin at the first ticked row.
  void BeginScanOnLinkOpen();
  // The current row's outcome arrived: move to the next row.
  void CompleteRow();
  // The current row's attempt failed: try again after the pause, or give it up.
  void FailAttempt(int pauseMs);
  // The auto-repeat timer's tick: end a wait that is no longer wanted, or
  // begin the next pass once its repeat time has come.
  void Timer2Timer();
  // Auto-repeat: begin the next pass from the top.
  void RestartScan();
  // The scan start time is now; the next repeat time follows from it by the
  // chosen interval. At a press of Read Data under Continuous it is the scan
  // start time itself.
  void ComputeRepeatTime(bool atPress);
  void SelectBtnClick();
  // The tab strip's index has changed.
  void TabSet1Click();

  // The Options menu's interval items.
  void MenuOptionsAutoRepeatContinuousClick() { ChooseRepeatInterval(RepeatInterval::Continuous); }
  void MenuOptionsAutoRepeat10SecondsClick() { ChooseRepeatInterval(RepeatInterval::TenSeconds); }
  void MenuOptionsAutoRepeatMinuteClick() { ChooseRepeatInterval(RepeatInterval::Minute); }
  void MenuOptionsAutoRepeat5MinuteClick() { ChooseRepeatInterval(RepeatInterval::FiveMinutes); }
  void MenuOptionsAutoRepeat10MinuteClick() { ChooseRepeatInterval(RepeatInterval::TenMinutes); }
  void MenuOptionsAutoRepeatHourClick() { ChooseRepeatInterval(RepeatInterval::Hour); }

  // An adapter outcome arrived: true when it belongs to the current row.
  bool TakeOutcomeForCurrentRow() { return state_.TakeOutcomeForCurrentRow(); }

  bool IsRunning() const;
  const ScanState& State() const { return state_; }

 private:
  void RebaseRepeatTimeOnClockStep();
  void Start();
  bool WriteTextsRefused();
  void Stop();
  void BeginRunning();
  // Closes the link; once closed, no outcome is awaited any more.
  void CloseLink();
  void IssueNextTransaction();
  // The row index moves on past the current row; past the last one the pass
  // is over.
  void LeaveRow();
  QString IdleCaption() const;
  // The button shows its idle caption: the scan runs no more.
  void ShowIdle(ScanStop reason);
  void Halt(ScanHalt::Reason reason);
  void HaltOnFailedLogStep();
  // Marks the interval and names it on the AutoRepeat check box; a wait under
  // way keeps its repeat time.
  void ChooseRepeatInterval(RepeatInterval interval);

  ScanState& state_;
  Ports ports_;
  const ScanPolicy& policy_;
};
