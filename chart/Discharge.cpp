#include "chart/Discharge.h"

#include <QLatin1String>

#include "battery/RegisterTable.h"
#include "chart/PassSeries.h"

namespace {

constexpr double kMsPerHour = 3'600'000.0;
// 1 mV times 1 mA is 1 µW.
constexpr double kMicrowattsPerMilliwatt = 1000.0;
constexpr double kMilliwattHoursPerTenMilliwattHours = 10.0;

int RowNamed(const char* name) {
  for (int row = 0; row < kRegisterRowCount; ++row) {
    if (QLatin1String(RegisterTable()[row].registerName) == QLatin1String(name)) return row;
  }
  return kNoRow;
}

const int kVoltageRow = RowNamed("Voltage");
const int kCurrentRow = RowNamed("Current");
const int kRemainingCapacityRow = RowNamed("RemainingCapacity");

// The row's reading in this pass as a decimal number; none when not read,
// given up, or no number.
std::optional<double> NumberIn(const ChartPass& pass, int row) {
  for (const ChartReading& reading : pass.readings) {
    if (reading.row != row) continue;
    if (reading.givenUp) return std::nullopt;
    return AxisValue(ChartAxis::Count, reading.text);
  }
  return std::nullopt;
}

const ChartReading* ReadingIn(const ChartPass& pass, int row) {
  for (const ChartReading& reading : pass.readings) {
    if (reading.row == row && !reading.givenUp) return &reading;
  }
  return nullptr;
}

}  // namespace

void DischargeIntegrator::AddPass(const ChartPass& pass) {
  ++totals_.passes;
  const qint64 ms = PassSeries::WallClockMs(pass.start);
  lastStep_ = timeline_.Next(ms);
  const Sample sample{ms, NumberIn(pass, kCurrentRow), NumberIn(pass, kVoltageRow)};
  if (sample.milliamps) ++totals_.currentReadings;

  switch (lastStep_) {
    case PassTimeline::Step::First:
      break;
    case PassTimeline::Step::Backwards:
      ++totals_.backwardSteps;
      last_.reset();
      break;
    case PassTimeline::Step::Pause:
      ++totals_.pauses;
      totals_.skippedHours += timeline_.LastStepMs() / kMsPerHour;
      last_.reset();
      break;
    case PassTimeline::Step::Continues:
      if (last_ && last_->milliamps && sample.milliamps) {
        Integrate(*last_, sample);
      } else {
        totals_.skippedHours += timeline_.LastStepMs() / kMsPerHour;
      }
      break;
  }
  last_ = sample;
  TakeRemainingCapacity(pass);
}

void DischargeIntegrator::Integrate(const Sample& from, const Sample& to) {
  const double hours = (to.ms - from.ms) / kMsPerHour;
  const double meanMilliamps = (*from.milliamps + *to.milliamps) / 2;
  totals_.chargeMah -= meanMilliamps * hours;
  totals_.integratedHours += hours;
  if (meanMilliamps > 0) totals_.chargingHours += hours;
  if (from.millivolts && to.millivolts) {
    const double meanMicrowatts =
        (*from.millivolts * *from.milliamps + *to.millivolts * *to.milliamps) / 2;
    totals_.energyMwh -= meanMicrowatts / kMicrowattsPerMilliwatt * hours;
    totals_.energyHours += hours;
  }
}

void DischargeIntegrator::TakeRemainingCapacity(const ChartPass& pass) {
  if (const ChartReading* mode = ReadingIn(pass, kBatteryModeRow)) {
    const CapacityMode read = CapacityModeOf(mode->text);
    if (read != CapacityMode::Unknown) mode_ = read;
  }
  const std::optional<double> remaining = NumberIn(pass, kRemainingCapacityRow);
  if (!remaining || mode_ == CapacityMode::Unknown) return;
  if (!firstRemaining_) {
    firstRemaining_ = remaining;
    firstRemainingMode_ = mode_;
  } else if (*firstRemainingMode_ != mode_) {
    totals_.capacityModeSwitched = true;
  }
  lastRemaining_ = remaining;
  totals_.reportedDropMah.reset();
  totals_.reportedDropMwh.reset();
  if (totals_.capacityModeSwitched) return;
  const double drop = *firstRemaining_ - *lastRemaining_;
  if (mode_ == CapacityMode::Milliamps) {
    totals_.reportedDropMah = drop;
  } else {
    totals_.reportedDropMwh = drop * kMilliwattHoursPerTenMilliwattHours;
  }
}

DischargeTotals IntegrateDischarge(const std::vector<ChartPass>& passes) {
  DischargeIntegrator integrator;
  for (const ChartPass& pass : passes) integrator.AddPass(pass);
  return integrator.Totals();
}

std::optional<QString> WhyNoDischarge(const DischargeTotals& totals) {
  if (totals.currentReadings < 2) {
    return QStringLiteral("fewer than two passes read Current");
  }
  if (totals.integratedHours < kShortestDischargeHours) {
    return QStringLiteral("Current was read over only %1 minutes without a break")
        .arg(totals.integratedHours * 60, 0, 'f', 1);
  }
  if (totals.chargeMah <= 0) {
    return QStringLiteral("the pack took in more charge than it gave (%1 mAh): it was charging")
        .arg(-totals.chargeMah, 0, 'f', 0);
  }
  if (totals.skippedHours > totals.integratedHours) {
    return QStringLiteral("breaks in the log (%1 h) are longer than the time integrated (%2 h)")
        .arg(totals.skippedHours, 0, 'f', 2)
        .arg(totals.integratedHours, 0, 'f', 2);
  }
  return std::nullopt;
}
