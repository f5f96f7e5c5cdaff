#include "chart/PassSeries.h"

#include <algorithm>

namespace {

constexpr int kBatteryModeRow = 3;

}  // namespace

PassSeries::PassSeries(Options options) : options_(std::move(options)) {
  for (const CapacityMode mode :
       {CapacityMode::Unknown, CapacityMode::Milliamps, CapacityMode::TenMilliwatts}) {
    for (int row = 0; row < kRegisterRowCount; ++row) {
      if (!Wanted(row)) continue;
      axes_[static_cast<int>(mode)][row] =
          AxisOf(QString::fromLatin1(RegisterTable()[row].unitClass), mode);
    }
  }
}

qint64 PassSeries::WallClockMs(const QDateTime& time) {
  if (time.timeSpec() == Qt::UTC) return time.toMSecsSinceEpoch();
  return QDateTime(time.date(), time.time(), Qt::UTC).toMSecsSinceEpoch();
}

bool PassSeries::Wanted(int row) const {
  return options_.rows.empty() ||
         std::find(options_.rows.begin(), options_.rows.end(), row) != options_.rows.end();
}

DecimatedLine& PassSeries::LineFor(const LineKey& key, qint64 ms) {
  auto at = lines_.find(key);
  if (at == lines_.end()) at = lines_.try_emplace(key, options_.buckets, ms).first;
  return at->second;
}

std::optional<qint64> PassSeries::FirstMs() const {
  if (!firstMs_ || options_.keep.count() == 0) return firstMs_;
  return std::max(*firstMs_, *lastMs_ - options_.keep.count());
}

void PassSeries::AddPass(const ChartPass& pass) {
  const qint64 ms = WallClockMs(pass.start);
  // The capacities of a pass are in the units of the BatteryMode read in it,
  // or else of the last one read before.
  for (const ChartReading& reading : pass.readings) {
    if (reading.row != kBatteryModeRow || reading.givenUp) continue;
    const CapacityMode mode = CapacityModeOf(reading.text);
    if (mode != CapacityMode::Unknown) capacityMode_ = mode;
  }
  for (const ChartReading& reading : pass.readings) {
    if (reading.row < 0 || reading.row >= kRegisterRowCount) continue;
    const std::optional<ChartAxis> axis = axes_[static_cast<int>(capacityMode_)][reading.row];
    if (!axis) continue;
    DecimatedLine& line = LineFor({reading.row, *axis}, ms);
    const std::optional<double> value =
        reading.givenUp ? std::nullopt : AxisValue(*axis, reading.text);
    if (value) {
      line.AddReading(ms, *value);
    } else {
      line.AddGap(ms);
    }
  }
  ++passes_;
  firstMs_ = firstMs_ ? std::min(*firstMs_, ms) : ms;
  lastMs_ = lastMs_ ? std::max(*lastMs_, ms) : ms;
  if (options_.keep.count() > 0) {
    for (auto& [key, line] : lines_) line.DropBefore(*lastMs_ - options_.keep.count());
  }
}
