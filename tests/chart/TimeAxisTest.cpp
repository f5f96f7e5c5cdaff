// Time as the log's clock read it: breaks where it ran back, jumped or stopped.
#include <gtest/gtest.h>

#include <QDateTime>

#include "chart/PassEvents.h"
#include "chart/PassSeries.h"
#include "chart/TimeAxisMap.h"
#include "tests/support/QtPrinters.h"

namespace {

constexpr qint64 kS = 1000;
constexpr qint64 kMin = 60 * kS;
constexpr qint64 kH = 60 * kMin;

// Passes every `every` from `from` for `count`, on 12/07/2026's clock.
std::vector<qint64> Passes(qint64 from, qint64 every, int count) {
  const qint64 day = QDateTime(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
  std::vector<qint64> stamps;
  for (int i = 0; i < count; ++i) stamps.push_back(day + from + i * every);
  return stamps;
}

std::vector<qint64> Joined(std::initializer_list<std::vector<qint64>> parts) {
  std::vector<qint64> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

TEST(TimeAxisMap, TimeRunsAsLivedAndBreaksWhereTheClockRanBackJumpedOrStopped) {
  using Kind = TimeAxisMap::BreakKind;
  const struct {
    const char* what;
    std::vector<qint64> stamps;
    std::vector<Kind> breaks;
    qint64 lastX;
  } cases[] = {
      {"steady passes", Passes(9 * kH, 30 * kS, 5), {}, 2 * kMin},
      {"passes within a second share a stamp",
       Joined({Passes(9 * kH, 0, 3), Passes(9 * kH + kS, 0, 3)}),
       {},
       kS},
      {"the clock set back an hour",
       Joined({Passes(2 * kH, 30 * kS, 120), Passes(2 * kH, 30 * kS, 3)}),
       {Kind::Backwards},
       119 * 30 * kS + 30 * kS + 2 * 30 * kS},
      {"the clock set forward an hour",
       Joined({Passes(1 * kH, 30 * kS, 120), Passes(3 * kH, 30 * kS, 3)}),
       {Kind::ClockChange},
       119 * 30 * kS + 30 * kS + 2 * 30 * kS},
      {"an overnight pause keeps its width",
       Joined({Passes(18 * kH, kMin, 3), Passes(31 * kH, kMin, 2)}),
       {Kind::Pause},
       13 * kH + kMin},
      {"one record dated 26 years back",
       Joined({Passes(9 * kH, kMin, 3), Passes(-9500LL * 24 * kH, kMin, 1),
               Passes(9 * kH + 3 * kMin, kMin, 2)}),
       {Kind::Backwards, Kind::LongJump},
       5 * kMin},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TimeAxisMap map;
    qint64 x = 0;
    for (const qint64 stamp : c.stamps) x = map.Place(stamp);
    std::vector<Kind> kinds;
    for (const auto& brk : map.Breaks()) kinds.push_back(brk.kind);
    EXPECT_EQ(kinds, c.breaks);
    EXPECT_EQ(x, c.lastX);
    EXPECT_EQ(map.WallClockAt(x), c.stamps.back());
  }
}

TEST(TimeAxisMap, ClockLabelsFallOnRoundTimesAndNameTheDayAtMidnightAndAfterABreak) {
  TimeAxisMap map;
  for (const qint64 stamp :
       Joined({Passes(22 * kH + 7 * kMin, kMin, 180), Passes(2 * kH, kMin, 60)})) {
    map.Place(stamp);
  }
  QStringList labels;
  for (const TimeTick& tick : ClockTicks(map, 0, 240 * kMin, 8)) labels << tick.label;
  EXPECT_EQ(labels, (QStringList{"12/07 22:30", "23:00", "23:30", "12/08 00:00", "00:30", "01:00",
                                 "12/07 02:30", "03:00"}));
  QStringList elapsed;
  for (const TimeTick& tick : ElapsedTicks(0, 5 * kH / 2, 5)) elapsed << tick.label;
  EXPECT_EQ(elapsed, (QStringList{"0:00", "0:30", "1:00", "1:30", "2:00", "2:30"}));
  QStringList around;  // a margin around a single record
  for (const TimeTick& tick : ElapsedTicks(-30 * kS, 30 * kS, 3)) around << tick.label;
  EXPECT_EQ(around, (QStringList{"-0:00:30", "0:00:00", "0:00:30"}));
}

TEST(TimeAxisMap, APartOfTheLogIsAskedForByClockTimeDateAndTimeOrHoursElapsed) {
  const struct {
    const char* text;
    std::optional<TimeBound> bound;
  } cases[] = {
      {"14:30", TimeBound{TimeBound::Kind::ClockTime, 14 * kH + 30 * kMin}},
      {"14:30:15", TimeBound{TimeBound::Kind::ClockTime, 14 * kH + 30 * kMin + 15 * kS}},
      {"2.5h", TimeBound{TimeBound::Kind::Elapsed, 5 * kH / 2}},
      {"12/07/2026 14:30",
       TimeBound{TimeBound::Kind::DateTime,
                 QDateTime(QDate(2026, 12, 7), QTime(14, 30), Qt::UTC).toMSecsSinceEpoch()}},
      {"2026-12-07T14:30",
       TimeBound{TimeBound::Kind::DateTime,
                 QDateTime(QDate(2026, 12, 7), QTime(14, 30), Qt::UTC).toMSecsSinceEpoch()}},
      {"soon", std::nullopt},
      {"25:00", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<TimeBound> bound = ParseTimeBound(QString::fromLatin1(c.text));
    ASSERT_EQ(bound.has_value(), c.bound.has_value());
    if (bound) {
      EXPECT_EQ(bound->kind, c.bound->kind);
      EXPECT_EQ(bound->ms, c.bound->ms);
    }
  }
}

TEST(PassEvents, AlarmsSetAndClearedFailedPassesAndModeSwitchesAreEvents) {
  const auto pass = [](std::vector<ChartReading> readings) {
    return ChartPass{QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC), std::move(readings)};
  };
  const struct {
    const char* what;
    std::vector<ChartPass> passes;
    QStringList events;
  } cases[] = {
      {"an alarm set, then cleared",
       {pass({{22, "00C0"}}), pass({{22, "08C0"}}), pass({{22, "00C0"}})},
       {"TERMINATE_DISCHARGE_ALARM set", "TERMINATE_DISCHARGE_ALARM cleared"}},
      {"a run of failed passes is one event",
       {pass({{9, "12000"}}), pass({{9, "", true}}), pass({{9, "", true}}), pass({{9, "12000"}})},
       {"registers given up"}},
      {"BatteryMode switched",
       {pass({{3, "0000"}}), pass({{3, "8000"}})},
       {"BatteryMode 0000 to 8000"}},
      {"a status given up is no change",
       {pass({{22, "00C0"}}), pass({{22, "", true}}), pass({{22, "00C0"}})},
       {"registers given up"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PassEvents events;
    for (const ChartPass& p : c.passes) events.Take(0, 0, p);
    QStringList texts;
    for (const PassEvent& event : events.Events()) texts << event.text;
    EXPECT_EQ(texts, c.events);
  }
}
