// Charge and energy a pack delivered, integrated from a log's passes.
#include <gtest/gtest.h>

#include <QBuffer>

#include "chart/Discharge.h"
#include "chart/LogReader.h"

namespace {

const QByteArray kDischargeHeader =
    "Date/Time,BatteryMode(#H),Voltage(mv),Current(+/-ma),RemainingCapacity(maH 10mwH)\r\n";

DischargeTotals TotalsOf(const QByteArray& records) {
  QBuffer buffer;
  buffer.setData(kDischargeHeader + records);
  buffer.open(QIODevice::ReadOnly);
  DischargeIntegrator integrator;
  LogReader reader(integrator, [](qint64, const QString&) {});
  reader.Read(buffer);
  return integrator.Totals();
}

// One pass a minute from 10:00 for `minutes`, at a steady current.
QByteArray SteadyMinutes(int minutes, const char* mode, int millivolts, int milliamps,
                         int remaining) {
  QByteArray lines;
  for (int m = 0; m < minutes; ++m) {
    lines += QStringLiteral("12/07/2026 %1:%2:00,%3,%4,%5,%6\r\n")
                 .arg(10 + m / 60, 2, 10, QLatin1Char('0'))
                 .arg(m % 60, 2, 10, QLatin1Char('0'))
                 .arg(QLatin1String(mode))
                 .arg(millivolts)
                 .arg(milliamps)
                 .arg(remaining - m * (-milliamps) / 60)
                 .toLatin1();
  }
  return lines;
}

}  // namespace

TEST(Discharge, EachLogIntegratesOnlyWhereItsLineRunsUnbroken) {
  const struct {
    const char* what;
    QByteArray records;
    double chargeMah;
    double energyMwh;
    double skippedHours;
    int pauses;
    int backwardSteps;
    std::optional<double> reportedDropMah;
    std::optional<double> reportedDropMwh;
    bool isDischarge;
  } cases[] = {
      {"an hour at 1.5 A and 12 V", SteadyMinutes(61, "0000", 12000, -1500, 5000), 1500, 18000, 0,
       0, 0, 1500, std::nullopt, true},
      {"capacities in 10 mWh", SteadyMinutes(61, "8000", 12000, -1500, 5000), 1500, 18000, 0, 0, 0,
       std::nullopt, 15000, true},
      {"charging", SteadyMinutes(61, "0000", 12000, 1500, 5000), -1500, -18000, 0, 0, 0, -1500,
       std::nullopt, false},
      {"too short", SteadyMinutes(5, "0000", 12000, -1500, 5000), 100, 1200, 0, 0, 0, 100,
       std::nullopt, false},
      {"a given-up Current is skipped, Voltage given up loses only energy",
       "12/07/2026 10:00:00,0000,12000,-1200,5000\r\n"
       "12/07/2026 10:00:30,0000,12000,,5000\r\n"
       "12/07/2026 10:01:00,0000,,-1200,5000\r\n"
       "12/07/2026 10:01:30,0000,12000,-1200,4990\r\n",
       10, 0, 1.0 / 60, 0, 0, 10, std::nullopt, false},
      {"an overnight pause is not integrated",
       "12/07/2026 22:00:00,0000,12000,-1200,5000\r\n"
       "12/07/2026 22:00:30,0000,12000,-1200,4990\r\n"
       "12/07/2026 22:01:00,0000,12000,-1200,4980\r\n"
       "12/08/2026 06:01:00,0000,12000,-1200,4970\r\n"
       "12/08/2026 06:01:30,0000,12000,-1200,4960\r\n",
       30, 360, 8, 1, 0, 40, std::nullopt, false},
      {"the clock set back an hour",
       "10/25/2026 02:59:00,0000,12000,-1200,5000\r\n"
       "10/25/2026 02:59:30,0000,12000,-1200,4990\r\n"
       "10/25/2026 02:00:00,0000,12000,-1200,4980\r\n"
       "10/25/2026 02:00:30,0000,12000,-1200,4970\r\n",
       20, 240, 0, 0, 1, 30, std::nullopt, false},
      {"BatteryMode switched units: no reported drop",
       "12/07/2026 10:00:00,0000,12000,-1200,5000\r\n"
       "12/07/2026 10:00:30,8000,12000,-1200,6000\r\n",
       10, 120, 0, 0, 0, std::nullopt, std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const DischargeTotals totals = TotalsOf(c.records);
    EXPECT_NEAR(totals.chargeMah, c.chargeMah, 1e-6);
    EXPECT_NEAR(totals.energyMwh, c.energyMwh, 1e-6);
    EXPECT_NEAR(totals.skippedHours, c.skippedHours, 1e-6);
    EXPECT_EQ(totals.pauses, c.pauses);
    EXPECT_EQ(totals.backwardSteps, c.backwardSteps);
    EXPECT_EQ(totals.reportedDropMah, c.reportedDropMah);
    EXPECT_EQ(totals.reportedDropMwh, c.reportedDropMwh);
    EXPECT_EQ(!WhyNoDischarge(totals).has_value(), c.isDischarge)
        << WhyNoDischarge(totals).value_or(QString()).toStdString();
  }
}
