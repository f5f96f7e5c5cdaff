#pragma once

#include <QDateTime>
#include <map>
#include <vector>

#include "battery/RegisterCatalogue.h"
#include "scan/RowRecord.h"
#include "scan/sequencer/ScanObserver.h"

// Writes down what each row of the scan came to, from its typed events: a
// reply read (whole or not), a write done, a row given up with its last
// fault. A row without an outcome in this pass was never reached.
class PassRecorder : public ScanObserver {
 public:
  explicit PassRecorder(const RegisterCatalogue& catalogue) : catalogue_(catalogue) {}

  void Clear() { rows_.clear(); }
  // The rows asked for, in the order given; a row without an outcome as not
  // reached, with no text.
  std::vector<RowRecord> Rows(const std::vector<int>& rows) const;
  // Every row with an outcome, in row order.
  std::vector<RowRecord> Rows() const;

  void RowRead(const RowReading& reading) override;
  void RowWritten(int row) override;
  void RowFailed(const RowFailure& failure) override;

 private:
  static RowRecord NotReached(int row);
  RowRecord Reached(int row, bool ok) const;

  const RegisterCatalogue& catalogue_;
  std::map<int, RowRecord> rows_;
};

// A pass as JSON for scripts and brokers: its start and each row's RowJson.
QJsonObject PassJson(const QDateTime& start, const std::vector<RowRecord>& rows,
                     const RegisterCatalogue& catalogue);
