#pragma once

#include <QDateTime>
#include <chrono>

#include "battery/RegisterCatalogue.h"

// Where the scan stands. The sequencer moves it; the bus transactions and the
// event dispatch read it.
struct ScanState {
  ScanState(int attemptsPerRow, int rowCount)
      : attemptsPerRow(attemptsPerRow),
        noRow(rowCount),
        retryCounter(attemptsPerRow),
        pendingRow(rowCount),
        attemptedRow(rowCount) {}

  // Attempts a row gets, as the scan's policy says.
  const int attemptsPerRow;
  // Whether a scan runs: from its first transaction's arming until its pass
  // ends with no further pass wanted, it is stopped, or its mode changes.
  bool running = false;
  // Whether the scan reads its rows or writes them.
  ScanMode mode = ScanMode::Read;
  // Whether the last of Select All and Deselect All ticked every row.
  bool allSelected = true;
  // One past the catalogue's last row: no current row, the pass is over
  // (kNoRow for the window's 33 rows).
  const int noRow;
  // The row the scan is at; noRow once no row is left.
  int rowIndex = 0;
  // Attempts left for the current row.
  int retryCounter;
  // Whether the pass's first read has begun its log record; every later read
  // of the pass adds a field to that record.
  bool recordBegun = false;
  // When the current pass started; the zero date, long past, until then.
  QDateTime scanStartTime = ZeroDate();
  // When auto-repeat starts the next pass, at the earliest.
  QDateTime nextRepeatTime = ZeroDate();
  // The wait for the next repeat on the monotonic clock: the wall-clock and
  // monotonic times it was last measured from, and the repeat interval (0
  // under Continuous). A wall clock that has moved by more than the interval
  // against the monotonic one since then has been set.
  QDateTime repeatMarkWall = ZeroDate();
  std::chrono::milliseconds repeatMarkMonotonic{0};
  std::chrono::milliseconds repeatInterval{0};
  // Whether the current row's transaction is a read. Only a read opens a
  // field in the log's record.
  bool rowIsRead = true;
  // The row whose transaction the adapter accepted and whose outcome has not
  // come yet; noRow when no outcome is awaited. An outcome that does not
  // belong to the current row (a late one from a stopped scan, a duplicate)
  // is told apart by it and never lands in another register's row.
  int pendingRow;
  // The row whose attempts have begun in this pass: the adapter accepted a
  // transaction for it. Issuing it again after an outcome that did not finish
  // it (a time-out, a guard tick with no outcome) is no first attempt.
  int attemptedRow;
  // Outcomes still to come for transactions that no longer belong to the
  // scan (a stopped pass's row in flight, a row unticked while it waited).
  // The adapter reports in order, so the next outcomes to arrive are theirs.
  int staleOutcomes = 0;

  bool AwaitsOutcomeForCurrentRow() const { return rowIndex < noRow && pendingRow == rowIndex; }

  bool IsFirstAttempt() const { return retryCounter == attemptsPerRow && attemptedRow != rowIndex; }

  // The current row's attempt under way, counted from 1.
  int AttemptNumber() const { return attemptsPerRow - retryCounter + 1; }

  void ResetAttempts() { retryCounter = attemptsPerRow; }

  // A new pass begins: whatever is still in flight belongs to no row of it,
  // and its first read begins a record.
  void BeginPass() {
    if (pendingRow != noRow) ++staleOutcomes;
    pendingRow = noRow;
    attemptedRow = noRow;
    recordBegun = false;
  }

  // The adapter closed the link: nothing accepted on it reports any more.
  void LinkClosed() {
    pendingRow = noRow;
    staleOutcomes = 0;
  }

  // The adapter accepted a transaction for the current row.
  void TransactionAccepted() {
    if (pendingRow != noRow && pendingRow != rowIndex) ++staleOutcomes;
    pendingRow = rowIndex;
    attemptedRow = rowIndex;
  }

  // An outcome arrived. True when it belongs to the current row, which then
  // awaits no more, whether or not the outcome finishes it; one that belongs
  // to an abandoned transaction, or to none, is only counted off.
  bool TakeOutcomeForCurrentRow() {
    if (staleOutcomes > 0) {
      --staleOutcomes;
      return false;
    }
    if (!AwaitsOutcomeForCurrentRow()) return false;
    pendingRow = noRow;
    return true;
  }

  static QDateTime ZeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }
};
