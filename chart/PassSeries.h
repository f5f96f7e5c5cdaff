#pragma once

#include <QString>
#include <array>
#include <chrono>
#include <compare>
#include <map>
#include <optional>
#include <vector>

#include "battery/RegisterTable.h"
#include "chart/ChartPass.h"
#include "chart/ChartUnits.h"
#include "chart/DecimatedLine.h"

// A register's line on one axis. A capacity register whose BatteryMode
// changed during the test has one line in mAh and another in 10 mWh.
struct LineKey {
  int row = 0;
  ChartAxis axis = ChartAxis::Count;
  auto operator<=>(const LineKey&) const = default;
};

// The passes taken so far as one decimated line per charted register, with
// times as the passes' wall-clock date and time (milliseconds, read as if
// they were UTC, so a log's time stamps and a scan's start times agree).
class PassSeries : public PassFeed {
 public:
  struct Options {
    std::vector<int> rows;              // the rows to chart; empty: every row that is a number
    std::chrono::milliseconds keep{0};  // how far back to keep passes; 0: all
    int buckets = 1024;                 // per line: about the plot's width in pixels
  };

  explicit PassSeries(Options options);

  void AddPass(const ChartPass& pass) override;

  const std::map<LineKey, DecimatedLine>& Lines() const { return lines_; }
  // The first and last pass kept; none before the first pass.
  std::optional<qint64> FirstMs() const;
  std::optional<qint64> LastMs() const { return lastMs_; }
  qint64 Passes() const { return passes_; }

  static qint64 WallClockMs(const QDateTime& time);

 private:
  bool Wanted(int row) const;
  DecimatedLine& LineFor(const LineKey& key, qint64 ms);

  Options options_;
  // Each row's axis (none: not charted) under each capacity mode.
  std::array<std::array<std::optional<ChartAxis>, kRegisterRowCount>, 3> axes_;
  std::map<LineKey, DecimatedLine> lines_;
  CapacityMode capacityMode_ = CapacityMode::Unknown;
  std::optional<qint64> firstMs_;
  std::optional<qint64> lastMs_;
  qint64 passes_ = 0;
};
