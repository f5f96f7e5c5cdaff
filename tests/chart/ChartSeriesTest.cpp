// Readings as lines: units, gaps, capacity modes, and the bounded buckets.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/ChartUnits.h"
#include "chart/DecimatedLine.h"
#include "chart/PassSeries.h"
#include "chart/ReadingsChart.h"
#include "tests/support/QtPrinters.h"

namespace {

ChartPass Pass(int second, std::vector<ChartReading> readings) {
  return {QDateTime(QDate(2026, 12, 7), QTime(9, 0, 0)).addSecs(second), std::move(readings)};
}

}  // namespace

TEST(ChartUnits, EachUnitClassThatIsANumberIsDrawnInItsUnit) {
  constexpr auto kUnknown = CapacityMode::Unknown;
  const struct {
    const char* unitClass;
    CapacityMode mode;
    const char* text;
    std::optional<ChartAxis> axis;
    std::optional<double> value;
  } cases[] = {
      {"mv", kUnknown, "12283", ChartAxis::Volts, 12.283},
      {"+/-ma", kUnknown, "-1500", ChartAxis::Amps, -1.5},
      {"ma", kUnknown, "2000", ChartAxis::Amps, 2.0},
      {"0.1 degK", kUnknown, "2982", ChartAxis::DegreesCelsius, 25.05},
      {"%", kUnknown, "94", ChartAxis::Percent, 94},
      {"min", kUnknown, "158", ChartAxis::Minutes, 158},
      {"min", kUnknown, "65535", ChartAxis::Minutes, std::nullopt},  // no time to tell
      {"#D", kUnknown, "42", ChartAxis::Count, 42},
      {"T/F", kUnknown, "7", ChartAxis::TrueFalse, 1},
      {"maH 10mwH", CapacityMode::Milliamps, "3950", ChartAxis::MilliampHours, 3950},
      {"maH 10mwH", CapacityMode::TenMilliwatts, "4266", ChartAxis::TenMilliwattHours, 4266},
      {"maH 10mwH", kUnknown, "440", ChartAxis::MilliampHoursOrTenMilliwattHours, 440},
      {"+/-ma 10mw", CapacityMode::Milliamps, "-250", ChartAxis::Amps, -0.25},
      {"+/-ma 10mw", CapacityMode::TenMilliwatts, "-250", ChartAxis::TenMilliwatts, -250},
      {"+/-ma 10mw", kUnknown, "-250", ChartAxis::MilliampsOrTenMilliwatts, -250},
      {"mv", kUnknown, "", ChartAxis::Volts, std::nullopt},
      {"mv", kUnknown, "NACK", ChartAxis::Volts, std::nullopt},
      {"#H", kUnknown, "00C0", std::nullopt, std::nullopt},
      {"string", kUnknown, "\"LION\"", std::nullopt, std::nullopt},
      {"block", kUnknown, "4E,56", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.unitClass) + " " + c.text);
    const std::optional<ChartAxis> axis = AxisOf(QString::fromLatin1(c.unitClass), c.mode);
    EXPECT_EQ(axis, c.axis);
    if (!axis) continue;
    const std::optional<double> value = AxisValue(*axis, QString::fromLatin1(c.text));
    ASSERT_EQ(value.has_value(), c.value.has_value());
    if (value) {
      EXPECT_NEAR(*value, *c.value, 1e-9);
    }
  }
  EXPECT_EQ(AxisUnit(ChartAxis::DegreesCelsius), QStringLiteral("°C"));
  EXPECT_EQ(CapacityModeOf(u"8000"), CapacityMode::TenMilliwatts);
  EXPECT_EQ(CapacityModeOf(u"7FFF"), CapacityMode::Milliamps);
  EXPECT_EQ(CapacityModeOf(u"0"), CapacityMode::Unknown);
}

TEST(PassSeries, ARegisterGivenUpIsAGapInItsLineNotAZero) {
  PassSeries series({});
  series.AddPass(Pass(0, {{9, "12283"}, {10, "-1500"}}));
  series.AddPass(Pass(4, {{9, "0", true}, {10, "-1500"}}));
  series.AddPass(Pass(8, {{9, "12281"}, {10, "-1500"}}));

  const DecimatedLine& voltage = series.Lines().at({9, ChartAxis::Volts});
  const auto runs = voltage.Runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_DOUBLE_EQ(runs[0].back().y(), 12.283);
  EXPECT_DOUBLE_EQ(runs[1].front().y(), 12.281);
  EXPECT_EQ(voltage.ValueRange(), (std::pair{12.281, 12.283}));
  EXPECT_EQ(series.Lines().at({10, ChartAxis::Amps}).Runs().size(), 1u);
}

TEST(PassSeries, CapacitiesFollowTheBatteryModeReadInTheirPass) {
  PassSeries series({});
  series.AddPass(Pass(0, {{15, "3950"}}));
  series.AddPass(Pass(4, {{3, "0000"}, {15, "3949"}}));
  series.AddPass(Pass(8, {{3, "8000"}, {15, "4265"}}));
  series.AddPass(Pass(12, {{3, "8000", true}, {15, "4264"}}));  // the mode read before holds

  std::vector<LineKey> keys;
  for (const auto& [key, line] : series.Lines()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<LineKey>{{15, ChartAxis::MilliampHours},
                                        {15, ChartAxis::TenMilliwattHours},
                                        {15, ChartAxis::MilliampHoursOrTenMilliwattHours}}));
  EXPECT_EQ(series.Lines().at({15, ChartAxis::TenMilliwattHours}).ValueRange(),
            (std::pair{4264.0, 4265.0}));
}

TEST(PassSeries, AWindowKeepsOnlyTheLastDaysAskedFor) {
  PassSeries series({{}, std::chrono::hours(24), 64, {}, {}});
  for (int hour = 0; hour < 72; ++hour) series.AddPass(Pass(hour * 3600, {{9, "12000"}}));
  ASSERT_TRUE(series.FirstMs() && series.LastMs());
  EXPECT_EQ(*series.LastMs() - *series.FirstMs(), 24 * 3600 * 1000);
  const auto runs = series.Lines().at({9, ChartAxis::Volts}).Runs();
  EXPECT_GE(runs.front().front().x(), static_cast<double>(*series.FirstMs() - 3600 * 1000));
}

// Memory stays the same however long the test: a million readings take no
// more buckets than the line was given, and its extremes are kept.
TEST(DecimatedLine, AMillionReadingsKeepTheirShapeInAFixedNumberOfBuckets) {
  DecimatedLine line(500, 0);
  for (int i = 0; i < 1'000'000; ++i) {
    line.AddReading(i * 1000LL, std::sin(i / 50'000.0) + (i == 777'777 ? 5 : 0));
  }
  EXPECT_LE(line.BucketCount(), 500);
  const auto range = line.ValueRange();
  ASSERT_TRUE(range);
  EXPECT_NEAR(range->first, -1, 1e-6);
  EXPECT_NEAR(range->second, std::sin(777'777 / 50'000.0) + 5, 1e-9) << "a spike of one reading";
  const auto runs = line.Runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_LE(runs[0].size(), 4u * 500);
  EXPECT_TRUE(std::is_sorted(runs[0].begin(), runs[0].end(),
                             [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
}

TEST(DecimatedLine, ReadingsOutOfTimeOrderAreDrawnInTimeOrder) {
  DecimatedLine line(100, 0);
  for (const int second : {10, 30, 20, -5, 40}) line.AddReading(second * 1000LL, second);
  const auto runs = line.Runs();
  ASSERT_EQ(runs.size(), 1u);
  std::vector<double> values;
  for (const QPointF& point : runs[0]) values.push_back(point.y());
  EXPECT_EQ(values, (std::vector<double>{-5, 10, 20, 30, 40}));
}

TEST(ReadingsChart, ALineBrokenTooOftenHasItsShortestGapsBridged) {
  // Five runs of one point; the gaps between them are 10, 1, 5 and 2 wide.
  std::vector<std::vector<QPointF>> runs{{{0, 0}}, {{10, 1}}, {{11, 2}}, {{16, 3}}, {{18, 4}}};
  BridgeShortestGaps(runs, 2);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], (std::vector<QPointF>{{0, 0}}));
  EXPECT_EQ(runs[1], (std::vector<QPointF>{{10, 1}, {11, 2}, {16, 3}, {18, 4}}))
      << "the widest gap stays";
}
