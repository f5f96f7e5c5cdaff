#include "chart/TimeAxisMap.h"

#include <QDateTime>
#include <algorithm>
#include <cstdlib>

#include "chart/Milliseconds.h"
#include "log/LogFormatter.h"

namespace {

constexpr qint64 kYearMs = 365 * kDayMs + kDayMs / 4;
// A clock change moves the clock by an hour; passes taken at most this far
// apart show it to within a pass.
constexpr qint64 kLongestIntervalAtClockChangeMs = 5 * kMinuteMs;

bool LooksLikeClockChange(qint64 stepMs, qint64 usualMs) {
  return usualMs > 0 && usualMs <= kLongestIntervalAtClockChangeMs &&
         std::llabs(stepMs - kHourMs) <= 2 * usualMs;
}

QString StampOf(qint64 wallMs) {
  return LogFormatter().TimeStamp(QDateTime::fromMSecsSinceEpoch(wallMs, Qt::UTC));
}

}  // namespace

qint64 TimeAxisMap::Place(qint64 wallClockMs) {
  const PassTimeline::Step step = timeline_.Next(wallClockMs);
  const qint64 stepMs = timeline_.LastStepMs();
  const qint64 usualMs = std::max<qint64>(timeline_.UsualIntervalMs(), kSecondMs);
  const qint64 beforeX = x_;
  const qint64 beforeWall = wallMs_;
  wallMs_ = wallClockMs;
  std::optional<BreakKind> kind;
  switch (step) {
    case PassTimeline::Step::First:
      segments_.push_back({0, wallClockMs});
      return x_;
    case PassTimeline::Step::Continues:
      x_ += stepMs;
      return x_;
    case PassTimeline::Step::Backwards:
      kind = BreakKind::Backwards;
      x_ += usualMs;
      break;
    case PassTimeline::Step::Pause:
      if (LooksLikeClockChange(stepMs, timeline_.UsualIntervalMs())) {
        kind = BreakKind::ClockChange;
        x_ += usualMs;
      } else if (stepMs > kLongestDrawnPauseMs) {
        kind = BreakKind::LongJump;
        x_ += usualMs;
      } else {
        kind = BreakKind::Pause;
        x_ += stepMs;
      }
      break;
  }
  breaks_.push_back({*kind, beforeX, x_, beforeWall, wallClockMs});
  segments_.push_back({x_, wallClockMs});
  return x_;
}

qint64 TimeAxisMap::WallClockAt(qint64 x) const {
  if (segments_.empty()) return x;
  const auto after = std::upper_bound(segments_.begin(), segments_.end(), x,
                                      [](qint64 v, const Segment& s) { return v < s.fromX; });
  const Segment& segment = after == segments_.begin() ? segments_.front() : *(after - 1);
  return segment.wallMs + (x - segment.fromX);
}

QString TimeAxisMap::Describe(const Break& brk) {
  const qint64 step = brk.afterWallMs - brk.beforeWallMs;
  const QString at = StampOf(brk.afterWallMs);
  switch (brk.kind) {
    case BreakKind::Backwards:
      return QStringLiteral("time runs back %1 at %2 (the clock was set back)")
          .arg(DurationText(-step), at);
    case BreakKind::ClockChange:
      return QStringLiteral("time jumps ahead %1 at %2 (the clock was set forward)")
          .arg(DurationText(step), at);
    case BreakKind::Pause:
      return QStringLiteral("no pass for %1 before %2").arg(DurationText(step), at);
    case BreakKind::LongJump:
      return QStringLiteral("time jumps ahead %1 at %2, drawn as a narrow break")
          .arg(DurationText(step), at);
  }
  return {};
}

namespace {

// The round step at or above the span's share of `most` ticks.
qint64 TimeStep(qint64 spanMs, int most) {
  static constexpr qint64 kSteps[] = {
      kSecondMs,  2 * kSecondMs, 5 * kSecondMs, 10 * kSecondMs, 15 * kSecondMs, 30 * kSecondMs,
      kMinuteMs,  2 * kMinuteMs, 5 * kMinuteMs, 10 * kMinuteMs, 15 * kMinuteMs, 30 * kMinuteMs,
      kHourMs,    2 * kHourMs,   3 * kHourMs,   6 * kHourMs,    12 * kHourMs,   kDayMs,
      2 * kDayMs, 7 * kDayMs,    14 * kDayMs,   28 * kDayMs};
  const qint64 least = spanMs / std::max(1, most);
  for (const qint64 step : kSteps) {
    if (step >= least) return step;
  }
  return (least / (28 * kDayMs) + 1) * 28 * kDayMs;
}

qint64 CeilTo(qint64 value, qint64 step) {
  const qint64 floor = value - ((value % step) + step) % step;
  return floor == value ? value : floor + step;
}

}  // namespace

std::vector<TimeTick> ClockTicks(const TimeAxisMap& map, qint64 fromX, qint64 toX, int most) {
  std::vector<TimeTick> ticks;
  const qint64 step = TimeStep(toX - fromX, most);
  const QString format = step < kMinuteMs ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm");
  const auto& segments = map.Segments();
  QDate lastDate;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const qint64 segmentEnd = i + 1 < segments.size() ? segments[i + 1].fromX : toX + 1;
    const qint64 from = std::max(fromX, segments[i].fromX);
    const qint64 to = std::min(toX, segmentEnd - 1);
    bool firstInSegment = true;
    for (qint64 wall = CeilTo(map.WallClockAt(from), step); wall <= map.WallClockAt(to);
         wall += step) {
      const qint64 x = from + (wall - map.WallClockAt(from));
      // After a break the first tick may stand too close to the last before it.
      if (!ticks.empty() && x - ticks.back().x < step / 2) continue;
      const QDateTime time = QDateTime::fromMSecsSinceEpoch(wall, Qt::UTC);
      const bool dated = firstInSegment || time.date() != lastDate;
      ticks.push_back({x, time.toString(dated ? QStringLiteral("MM/dd ") + format : format)});
      lastDate = time.date();
      firstInSegment = false;
    }
  }
  return ticks;
}

std::vector<TimeTick> ElapsedTicks(qint64 fromX, qint64 toX, int most) {
  std::vector<TimeTick> ticks;
  const qint64 step = TimeStep(toX - fromX, most);
  for (qint64 x = CeilTo(fromX, step); x <= toX; x += step) {
    // Before the first record (a margin around a single one): "-0:00:30".
    const qint64 s = std::abs(x) / kSecondMs;
    QString label = x < 0 ? QStringLiteral("-") : QString();
    if (step >= kDayMs) {
      label += QStringLiteral("%1 d").arg(std::abs(x) / kDayMs);
    } else if (step >= kMinuteMs) {
      label += QStringLiteral("%1:%2").arg(s / 3600).arg((s / 60) % 60, 2, 10, QLatin1Char('0'));
    } else {
      label += QStringLiteral("%1:%2:%3")
                   .arg(s / 3600)
                   .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                   .arg(s % 60, 2, 10, QLatin1Char('0'));
    }
    ticks.push_back({x, label});
  }
  return ticks;
}

QString DurationText(qint64 ms) {
  const qint64 s = (ms + kSecondMs / 2) / kSecondMs;
  if (ms >= 2 * kYearMs) return QStringLiteral("%1 years").arg(ms / kYearMs);
  if (ms >= 2 * kDayMs) {
    return QStringLiteral("%1 d %2 h").arg(ms / kDayMs).arg((ms % kDayMs) / kHourMs);
  }
  if (ms >= kHourMs) {
    return QStringLiteral("%1 h %2 min")
        .arg(s / 3600)
        .arg((s % 3600) / 60, 2, 10, QLatin1Char('0'));
  }
  if (ms >= kMinuteMs) return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
  return QStringLiteral("%1 s").arg(s);
}
