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
#include "chart/ChartRegisters.h"
#include "chart/ChartUnits.h"
#include "chart/DecimatedLine.h"
#include "chart/Discharge.h"
#include "chart/PassEvents.h"
#include "chart/TimeAxisMap.h"

// Where a part of a log begins or ends: a clock time (its first time at or
// after the log's first pass), a date and time, or hours since the first pass.
struct TimeBound {
  enum class Kind { ClockTime, DateTime, Elapsed };
  Kind kind = Kind::Elapsed;
  qint64 ms = 0;  // into the day; the wall-clock time read as UTC; since the first pass
};

// "14:30", "14:30:15", "12/07/2026 14:30", "2026-12-07 14:30:15", "2.5h";
// none for any other text.
std::optional<TimeBound> ParseTimeBound(const QString& text);

// A register's line on one axis. A capacity register whose BatteryMode
// changed during the test has one line in mAh and another in 10 mWh.
struct LineKey {
  int row = 0;
  ChartAxis axis = ChartAxis::Count;
  auto operator<=>(const LineKey&) const = default;
};

// The passes taken so far as one decimated line per charted register, placed
// along the time axis as time was lived (TimeAxisMap): milliseconds since the
// first pass, with the passes' wall-clock date and time (read as if they were
// UTC, so a log's time stamps and a scan's start times agree) kept beside.
class PassSeries : public PassFeed {
 public:
  struct Options {
    std::vector<int> rows;              // the rows to chart; empty: every row that is a number
    std::chrono::milliseconds keep{0};  // how far back to keep passes; 0: all
    int buckets = 1024;                 // per line: about the plot's width in pixels
    std::optional<TimeBound> from;      // the part of the log to keep
    std::optional<TimeBound> to;
    // Keep the lines along the charge delivered too, for the discharge curve.
    bool alongCharge = false;
  };

  // What the lines run along: time, or the charge the pack delivered since
  // the first pass kept (µAh, integrated from Current).
  enum class Along { Time, Charge };
  static constexpr double kMicroampHoursPerMilliampHour = 1000;

  explicit PassSeries(Options options);

  void AddPass(const ChartPass& pass) override;

  const std::map<LineKey, DecimatedLine>& Lines(Along along = Along::Time) const {
    return along == Along::Time ? lines_ : chargeLines_;
  }
  // The lowest and highest charge delivered at a pass kept; none before the
  // first pass or without lines along the charge.
  std::optional<std::pair<qint64, qint64>> ChargeExtent() const { return chargeExtent_; }
  // The charge and energy delivered over the passes kept.
  const DischargeTotals& Discharge() const { return discharge_.Totals(); }
  // Alarms set and cleared, failed passes, BatteryMode switched, among the passes kept.
  const PassEvents& Events() const { return events_; }
  // The first and last pass kept, as places on the time axis; none before the
  // first pass.
  std::optional<qint64> FirstMs() const;
  std::optional<qint64> LastMs() const { return lastMs_; }
  qint64 Passes() const { return passes_; }
  const TimeAxisMap& Time() const { return time_; }
  // The breaks in time among the passes kept.
  std::vector<TimeAxisMap::Break> BreaksKept() const;

  static qint64 WallClockMs(const QDateTime& time);

 private:
  bool Wanted(int row) const;
  std::optional<ChartAxis> AxisOfRow(int row);
  bool InPart(qint64 x, qint64 wallMs) const;
  qint64 PastBound(const TimeBound& bound, qint64 x, qint64 wallMs) const;
  static DecimatedLine& LineFor(std::map<LineKey, DecimatedLine>& lines, const LineKey& key,
                                qint64 x, int buckets);

  Options options_;
  // Each row's axis (none: not charted) under each capacity mode, worked out
  // when the row is first read under it.
  std::array<std::array<std::optional<std::optional<ChartAxis>>, kChartRowCount>, 3> axes_;
  std::map<LineKey, DecimatedLine> lines_;
  std::map<LineKey, DecimatedLine> chargeLines_;
  DischargeIntegrator discharge_;
  PassEvents events_;
  std::optional<std::pair<qint64, qint64>> chargeExtent_;
  CapacityMode capacityMode_ = CapacityMode::Unknown;
  TimeAxisMap time_;
  std::optional<qint64> firstMs_;
  std::optional<qint64> lastMs_;
  qint64 passes_ = 0;
};
