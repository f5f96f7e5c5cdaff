#pragma once

#include <QDateTime>

#include "RegisterTable.h"

inline constexpr int kAttemptsPerRow = 5;

// Where the scan stands. The sequencer moves it; the bus transactions and the
// event dispatch read it.
struct ScanState {
  // The row the scan is at; kNoRow once no row is left.
  int rowIndex = 0;
  // Attempts left for the current row.
  int retryCounter = kAttemptsPerRow;
  // The first ticked row when the user started the scan: where a log record begins.
  int recordStartRow = 0;
  // When the current pass started, and when the next one is due. Both start
  // at the zero date, long past.
  QDateTime scanStartTime = ZeroDate();
  QDateTime nextRepeatTime = ZeroDate();
  // The row whose transaction the adapter accepted and whose outcome has not
  // come yet; kNoRow when no outcome is awaited. An outcome that does not
  // belong to the current row (a late one from a stopped scan, a duplicate)
  // is told apart by it and never lands in another register's row.
  int pendingRow = kNoRow;

  bool AwaitsOutcomeForCurrentRow() const { return rowIndex < kNoRow && pendingRow == rowIndex; }

  static QDateTime ZeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }
};
