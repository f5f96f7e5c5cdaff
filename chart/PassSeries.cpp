#include "chart/PassSeries.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "chart/Milliseconds.h"

namespace {

std::optional<QTime> ClockTimeOf(const QString& text) {
  for (const char* format : {"HH:mm:ss", "HH:mm", "H:mm"}) {
    const QTime time = QTime::fromString(text, QLatin1String(format));
    if (time.isValid()) return time;
  }
  return std::nullopt;
}

}  // namespace

std::optional<TimeBound> ParseTimeBound(const QString& text) {
  static const QRegularExpression hours(QStringLiteral("^(\\d+(\\.\\d*)?)h$"));
  const QString trimmed = text.trimmed();
  if (const QRegularExpressionMatch match = hours.match(trimmed); match.hasMatch()) {
    return TimeBound{TimeBound::Kind::Elapsed,
                     static_cast<qint64>(match.captured(1).toDouble() * kHourMs)};
  }
  if (const std::optional<QTime> clock = ClockTimeOf(trimmed)) {
    return TimeBound{TimeBound::Kind::ClockTime, clock->msecsSinceStartOfDay()};
  }
  const QString dateText = trimmed.section(QRegularExpression(QStringLiteral("[ T]")), 0, 0);
  const QString timeText = trimmed.mid(dateText.size() + 1);
  QDate date = QDate::fromString(dateText, QStringLiteral("MM/dd/yyyy"));
  if (!date.isValid()) date = QDate::fromString(dateText, Qt::ISODate);
  const std::optional<QTime> clock = ClockTimeOf(timeText);
  if (!date.isValid() || !clock) return std::nullopt;
  return TimeBound{TimeBound::Kind::DateTime, QDateTime(date, *clock, Qt::UTC).toMSecsSinceEpoch()};
}

PassSeries::PassSeries(Options options) : options_(std::move(options)) {}

qint64 PassSeries::WallClockMs(const QDateTime& time) {
  if (time.timeSpec() == Qt::UTC) return time.toMSecsSinceEpoch();
  return QDateTime(time.date(), time.time(), Qt::UTC).toMSecsSinceEpoch();
}

bool PassSeries::Wanted(int row) const {
  return options_.rows.empty() ||
         std::find(options_.rows.begin(), options_.rows.end(), row) != options_.rows.end();
}

std::optional<ChartAxis> PassSeries::AxisOfRow(int row) {
  std::optional<std::optional<ChartAxis>>& axis = axes_[static_cast<int>(capacityMode_)][row];
  if (!axis) {
    axis = IsChartRow(row) && Wanted(row)
               ? AxisOf(QString::fromLatin1(ChartRegister(row).unitClass), capacityMode_)
               : std::nullopt;
  }
  return *axis;
}

DecimatedLine& PassSeries::LineFor(std::map<LineKey, DecimatedLine>& lines, const LineKey& key,
                                   qint64 x, int buckets) {
  auto at = lines.find(key);
  if (at == lines.end()) at = lines.try_emplace(key, buckets, x).first;
  return at->second;
}

std::optional<qint64> PassSeries::FirstMs() const {
  if (!firstMs_ || options_.keep.count() == 0) return firstMs_;
  return std::max(*firstMs_, *lastMs_ - options_.keep.count());
}

// How far the pass lies past the bound: negative before it. A clock time is
// the first at or after the log's first pass.
qint64 PassSeries::PastBound(const TimeBound& bound, qint64 x, qint64 wallMs) const {
  switch (bound.kind) {
    case TimeBound::Kind::Elapsed:
      return x - bound.ms;
    case TimeBound::Kind::DateTime:
      return wallMs - bound.ms;
    case TimeBound::Kind::ClockTime: {
      const qint64 first = time_.FirstWallClockMs();
      qint64 at = first - (first % kDayMs + kDayMs) % kDayMs + bound.ms;
      if (at < first) at += kDayMs;
      return wallMs - at;
    }
  }
  return 0;
}

bool PassSeries::InPart(qint64 x, qint64 wallMs) const {
  return !(options_.from && PastBound(*options_.from, x, wallMs) < 0) &&
         !(options_.to && PastBound(*options_.to, x, wallMs) > 0);
}

std::vector<TimeAxisMap::Break> PassSeries::BreaksKept() const {
  std::vector<TimeAxisMap::Break> kept;
  if (!firstMs_) return kept;
  const qint64 first = *FirstMs();
  for (const TimeAxisMap::Break& brk : time_.Breaks()) {
    if (brk.beforeX >= first && brk.afterX <= *lastMs_) kept.push_back(brk);
  }
  return kept;
}

void PassSeries::AddPass(const ChartPass& pass) {
  const qint64 wallMs = WallClockMs(pass.start);
  const qint64 ms = time_.Place(wallMs);
  if (!InPart(ms, wallMs)) return;
  discharge_.AddPass(pass);
  events_.Take(ms, wallMs, pass);
  const auto charge =
      static_cast<qint64>(std::llround(discharge_.ChargeMah() * kMicroampHoursPerMilliampHour));
  if (options_.alongCharge) {
    chargeExtent_ = chargeExtent_ ? std::pair{std::min(chargeExtent_->first, charge),
                                              std::max(chargeExtent_->second, charge)}
                                  : std::pair{charge, charge};
  }
  // The capacities of a pass are in the units of the BatteryMode read in it,
  // or else of the last one read before.
  for (const ChartReading& reading : pass.readings) {
    if (reading.row != kBatteryModeRow || reading.givenUp) continue;
    const CapacityMode mode = CapacityModeOf(reading.text);
    if (mode != CapacityMode::Unknown) capacityMode_ = mode;
  }
  for (const ChartReading& reading : pass.readings) {
    if (reading.row < 0 || reading.row >= kChartRowCount) continue;
    const std::optional<ChartAxis> axis = AxisOfRow(reading.row);
    if (!axis) continue;
    const LineKey key{reading.row, *axis};
    DecimatedLine& line = LineFor(lines_, key, ms, options_.buckets);
    DecimatedLine* along =
        options_.alongCharge ? &LineFor(chargeLines_, key, charge, options_.buckets) : nullptr;
    if (const std::optional<double> value =
            reading.givenUp ? std::nullopt : AxisValue(*axis, reading.text)) {
      line.AddReading(ms, *value);
      if (along) along->AddReading(charge, *value);
    } else {
      line.AddGap(ms);
      if (along) along->AddGap(charge);
    }
  }
  ++passes_;
  firstMs_ = firstMs_ ? std::min(*firstMs_, ms) : ms;
  lastMs_ = lastMs_ ? std::max(*lastMs_, ms) : ms;
  if (options_.keep.count() > 0) {
    for (auto& [key, line] : lines_) line.DropBefore(*lastMs_ - options_.keep.count());
  }
}
