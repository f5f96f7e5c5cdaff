#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "chart/ChartPass.h"
#include "chart/ChartUnits.h"
#include "chart/PassTimeline.h"

// What a pack delivered over a series of passes, integrated from their
// Current (mA, negative while discharging) and Voltage (mV) readings by the
// trapezoid rule. Only the steps between two passes of one unbroken line are
// integrated: across a pause, a jump of the clock, or a pass whose Current
// was given up, what flowed is not known and is counted as skipped instead.
struct DischargeTotals {
  double chargeMah = 0;        // delivered by the pack; negative when it took more than it gave
  double energyMwh = 0;        // delivered, over the steps where Voltage was read too
  double integratedHours = 0;  // the time the charge covers
  double energyHours = 0;      // the time the energy covers
  double skippedHours = 0;     // forward time across breaks, not integrated
  double chargingHours = 0;    // integrated time during which current flowed into the pack
  qint64 passes = 0;           // passes handed over
  qint64 currentReadings = 0;  // passes with a Current reading
  int pauses = 0;              // breaks where time jumped ahead
  int backwardSteps = 0;       // breaks where time ran backwards
  // The capacity the pack itself says it lost: first RemainingCapacity
  // reading less last, in its unit as BatteryMode gave it (mAh or 10 mWh
  // shown here in mWh). None when not read, or when BatteryMode switched units.
  std::optional<double> reportedDropMah;
  std::optional<double> reportedDropMwh;
  bool capacityModeSwitched = false;
};

// Why these totals are no discharge to judge a pack by; none when they are.
std::optional<QString> WhyNoDischarge(const DischargeTotals& totals);

// A discharge shorter than this says little of a pack's capacity.
inline constexpr double kShortestDischargeHours = 0.25;

// Integrates passes as they come: feed it straight from a log reader.
class DischargeIntegrator : public PassFeed {
 public:
  void AddPass(const ChartPass& pass) override;

  const DischargeTotals& Totals() const { return totals_; }
  // The charge delivered up to the last pass handed over.
  double ChargeMah() const { return totals_.chargeMah; }
  // How the last pass handed over stands to the one before.
  PassTimeline::Step LastStep() const { return lastStep_; }

 private:
  struct Sample {
    qint64 ms = 0;
    std::optional<double> milliamps;
    std::optional<double> millivolts;
  };
  void Integrate(const Sample& from, const Sample& to);
  void TakeRemainingCapacity(const ChartPass& pass);

  DischargeTotals totals_;
  PassTimeline timeline_;
  PassTimeline::Step lastStep_ = PassTimeline::Step::First;
  std::optional<Sample> last_;
  CapacityMode mode_ = CapacityMode::Unknown;
  std::optional<CapacityMode> firstRemainingMode_;
  std::optional<double> firstRemaining_;
  std::optional<double> lastRemaining_;
};

// The totals of a whole series of passes.
DischargeTotals IntegrateDischarge(const std::vector<ChartPass>& passes);
