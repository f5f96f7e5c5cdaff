#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

#include "chart/ChartPass.h"

// What happened between passes that a person looks for on a chart: an alarm
// bit of BatteryStatus set or cleared, a pass that gave up registers after
// passes that did not, BatteryMode switched.
struct PassEvent {
  qint64 x = 0;       // the pass's place along time
  qint64 wallMs = 0;  // its time stamp
  QString text;       // "OVER_TEMP_ALARM set"
};

class PassEvents {
 public:
  // More events than this are counted, not kept.
  static constexpr std::size_t kMostKept = 500;

  void Take(qint64 x, qint64 wallMs, const ChartPass& pass);

  const std::vector<PassEvent>& Events() const { return events_; }
  qint64 Count() const { return count_; }

 private:
  void Add(qint64 x, qint64 wallMs, QString text);

  std::vector<PassEvent> events_;
  qint64 count_ = 0;
  std::optional<uint> status_;
  std::optional<uint> mode_;
  bool lastPassFailed_ = false;
};
