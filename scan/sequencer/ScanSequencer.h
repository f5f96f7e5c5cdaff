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
    Timer& transactionTimer;
    Timer& repeatTimer;
    Clock& clock;
    ScanLog& log;
    ScanObserver& events;
  };

  // The auto-repeat timer's fixed period, which is also the transaction
  // timer's until the scan first arms it.
  static constexpr int kRepeatTickMs = 100;

  ScanSequencer(ScanState& state, Ports ports, const ScanPolicy& policy);

  // A scan of the ticked rows in this mode; nothing while one runs.
  void Start(ScanMode mode);
  // The running scan stops; a row in flight still finishes.
  void Stop();
  // Reading or writing: a running scan stops, and the rows show which of
  // them the mode reaches.
  void SetMode(ScanMode mode);
  // Ticks or unticks every row.
  void SelectAll();
  void DeselectAll();
  // Marks the interval and names it on the AutoRepeat check box; a wait under
  // way keeps its repeat time.
  void SetRepeatInterval(RepeatInterval interval);

  // The transaction timer's tick: the next transaction, or the end of the pass.
  void IssueNextTransaction();
  // The auto-repeat timer's tick: end a wait that is no longer wanted, or
  // begin the next pass once its repeat time has come.
  void RepeatPassWhenDue();

  // The link has opened: begin at the first ticked row.
  void BeginScanOnLinkOpen();
  // The current row's outcome arrived: move to the next row.
  void CompleteRow();
  // The current row's attempt failed: try again after the pause, or give it up.
  void FailAttempt(int pauseMs);

  // An adapter outcome arrived: true when it belongs to the current row.
  bool TakeOutcomeForCurrentRow() { return state_.TakeOutcomeForCurrentRow(); }

  bool IsRunning() const { return state_.running; }
  const ScanState& State() const { return state_; }

 private:
  // A wall-clock step larger than the repeat interval re-bases the next
  // repeat time from now, measured on the monotonic clock.
  void RebaseRepeatTimeOnClockStep();
  // Every press of Read Data, whether it starts or stops a scan, ends a wait
  // for the next pass and takes the scan start time afresh.
  void Pressed();
  // The scan's running state and mode, as the Read Data button shows them.
  void SetRunning(bool running);
  bool WriteTextsRefused();
  void BeginRunning();
  // Closes the link; once closed, no outcome is awaited any more.
  void CloseLink();
  // Issues the transaction of the current row, or of the next ticked one.
  void IssueFromCurrentRow();
  // Auto-repeat: begin the next pass from the top.
  void RestartScan();
  // The scan start time is now; the next repeat time follows from it by the
  // chosen interval. At a press of Read Data under Continuous it is the scan
  // start time itself.
  void ComputeRepeatTime(bool atPress);
  // The row index moves on past the current row; past the last one the pass
  // is over.
  void LeaveRow();
  // The scan runs no more, and closes the link.
  void ShowIdle(ScanStop reason);
  void Halt(ScanHalt::Reason reason);
  void HaltOnFailedLogStep();

  ScanState& state_;
  Ports ports_;
  const ScanPolicy& policy_;
};
