#include "report/DischargeLog.h"

#include <QFile>
#include <QFileInfo>

#include "battery/RegisterNames.h"
#include "chart/ChartUnits.h"
#include "chart/LogReader.h"

namespace {

// The integrator, and the curve drawn from the same passes.
class CurveFeed : public PassFeed {
 public:
  void AddPass(const ChartPass& pass) override {
    integrator_.AddPass(pass);
    for (const ChartReading& reading : pass.readings) {
      if (reading.row != voltageRow_ || reading.givenUp) continue;
      if (const auto mv = AxisValue(ChartAxis::Count, reading.text)) {
        curve_.emplace_back(integrator_.ChargeMah(), *mv / 1000.0);
      }
    }
  }
  const DischargeTotals& Totals() const { return integrator_.Totals(); }
  std::vector<QPointF> TakeCurve() { return std::move(curve_); }

 private:
  const int voltageRow_ = *RowNamed(QStringLiteral("Voltage"));
  DischargeIntegrator integrator_;
  std::vector<QPointF> curve_;
};

ReportLine Said(const QString& label, const QString& key, const QString& text) {
  return {label, text, key, text};
}

}  // namespace

DischargeLogReading ReadDischargeLog(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {std::nullopt, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
  }
  CurveFeed feed;
  LogReader reader(feed, [](qint64, const QString&) {});
  const LogReader::Result result = reader.Read(file);
  if (result.refusal) return {std::nullopt, QStringLiteral("%1: %2").arg(path, *result.refusal)};
  if (result.readError) {
    return {std::nullopt, QStringLiteral("cannot read %1: %2").arg(path, *result.readError)};
  }
  return {DischargeLog{path, feed.Totals(), feed.TakeCurve()}, QString()};
}

ReportSection DischargeSection(const DischargeLog& log, const PackFigures& figures) {
  ReportSection section{QStringLiteral("Discharge log"), QStringLiteral("dischargeLog"), {}};
  auto& lines = section.lines;
  const DischargeTotals& t = log.totals;
  lines.push_back(
      Said(QStringLiteral("Log"), QStringLiteral("file"), QFileInfo(log.path).fileName()));
  if (const std::optional<QString> why = WhyNoDischarge(t)) {
    lines.push_back(Said(QStringLiteral("Discharge"), QStringLiteral("noDischarge"),
                         QStringLiteral("not judged: %1").arg(*why)));
    return section;
  }
  lines.push_back(FigureLine(QStringLiteral("Time integrated"), QStringLiteral("integrated"),
                             t.integratedHours, QStringLiteral("h"), 2));
  lines.push_back(FigureLine(QStringLiteral("Charge delivered"), QStringLiteral("charge"),
                             t.chargeMah, QStringLiteral("mAh"), 1));
  if (t.energyHours > 0) {
    lines.push_back(FigureLine(QStringLiteral("Energy delivered"), QStringLiteral("energy"),
                               t.energyMwh / 1000, QStringLiteral("Wh"), 2));
  }
  if (t.reportedDropMah && *t.reportedDropMah > 0) {
    lines.push_back(FigureLine(QStringLiteral("Its own drop"), QStringLiteral("remainingDrop"),
                               *t.reportedDropMah, QStringLiteral("mAh"), 0));
    lines.push_back(FigureLine(QStringLiteral("Charge against drop"),
                               QStringLiteral("chargeAgainstDrop"),
                               100 * t.chargeMah / *t.reportedDropMah, QStringLiteral("%"), 2));
  }
  // Only charge against charge: in 10 mWh units the pack's capacities are energy.
  if (CapacityUnit(figures) == QLatin1String("mAh")) {
    for (const auto& [name, key] : {std::pair{"FullChargeCapacity", "againstFullCharge"},
                                    std::pair{"DesignCapacity", "againstDesign"}}) {
      const auto capacity = figures.Number(name);
      if (!capacity || *capacity == 0) continue;
      lines.push_back(FigureLine(QStringLiteral("Against %1").arg(QLatin1String(name)),
                                 QLatin1String(key), 100 * t.chargeMah / *capacity,
                                 QStringLiteral("%"), 1));
    }
  }
  if (t.pauses + t.backwardSteps > 0) {
    lines.push_back(Said(QStringLiteral("Breaks"), QStringLiteral("breaks"),
                         QStringLiteral("%1, %2 h not integrated")
                             .arg(t.pauses + t.backwardSteps)
                             .arg(t.skippedHours, 0, 'f', 2)));
  }
  return section;
}
