#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

// One register row of a read pass as the chart takes it.
struct ChartReading {
  int row = 0;  // the register row, 0 to 32
  // The text the row's data field showed, exactly as the log records it.
  // Only read during the hand-over: it may refer to storage the caller reuses.
  QString text;
  // The row was given up after its attempts: a gap in its line, whatever the
  // text says.
  bool givenUp = false;
};

// A read pass: when it began (the time stamp its log record carries) and the
// rows read in it, in row order.
struct ChartPass {
  QDateTime start;
  std::vector<ChartReading> readings;
};

// Whatever takes passes one at a time: the series of a chart, fed by the
// running scan or by a log file read back.
class PassFeed {
 public:
  virtual ~PassFeed() = default;
  virtual void AddPass(const ChartPass& pass) = 0;
};
