#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

#include "chart/PassTimeline.h"

// Where each pass of a log stands along a chart's time axis, and what the
// log's own clock said there. The axis runs as time was lived, from 0 at the
// first pass: where the clock was set back its line goes on after the break
// instead of drawing over the hour again; a pause keeps its width, but a jump
// of the clock (an hour at a clock change, or a record dated years away) is
// drawn as a narrow break.
class TimeAxisMap {
 public:
  enum class BreakKind {
    Backwards,    // time ran backwards: the clock set back
    ClockChange,  // an hour ahead, where passes came regularly: the clock set forward
    Pause,        // a pause, drawn as wide as it was
    LongJump,     // a jump ahead too long to draw
  };
  struct Break {
    BreakKind kind;
    qint64 beforeX = 0;  // the last pass before the break
    qint64 afterX = 0;   // the first after it
    qint64 beforeWallMs = 0;
    qint64 afterWallMs = 0;
  };
  // From fromX on, the clock read wallMs + (x - fromX).
  struct Segment {
    qint64 fromX = 0;
    qint64 wallMs = 0;
  };

  // Jumps ahead longer than this are not drawn to their length.
  static constexpr qint64 kLongestDrawnPauseMs = 24LL * 3600 * 1000;

  // The place of the next pass, taken at this wall-clock time.
  qint64 Place(qint64 wallClockMs);

  const std::vector<Break>& Breaks() const { return breaks_; }
  const std::vector<Segment>& Segments() const { return segments_; }
  // What the log's clock read at this place.
  qint64 WallClockAt(qint64 x) const;
  qint64 FirstWallClockMs() const { return segments_.empty() ? 0 : segments_.front().wallMs; }

  // "the clock set back 1 h 00 min at 10/25/2026 03:00:02"
  static QString Describe(const Break& brk);

 private:
  PassTimeline timeline_;
  std::vector<Break> breaks_;
  std::vector<Segment> segments_;
  qint64 x_ = 0;
  qint64 wallMs_ = 0;
};

// A labelled place on a time axis.
struct TimeTick {
  qint64 x = 0;
  QString label;
  bool operator==(const TimeTick&) const = default;
};

// Ticks at round times of the log's clock, at most about `most` between
// fromX and toX: "14:30", with the date ("12/08 00:00") on the first, on the
// first of each day and on the first after a break.
std::vector<TimeTick> ClockTicks(const TimeAxisMap& map, qint64 fromX, qint64 toX, int most);
// Ticks at round times since the first pass: "1:30" (hours and minutes),
// "0:00:20", or "3 d".
std::vector<TimeTick> ElapsedTicks(qint64 fromX, qint64 toX, int most);

// A length of time as a person says it: "45 s", "3 min 20 s", "1 h 00 min",
// "2 d 3 h", "26 years".
QString DurationText(qint64 ms);
