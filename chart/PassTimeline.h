#pragma once

#include <QtGlobal>
#include <array>

// Where a log's line of passes runs on without a break, judged from the time
// stamps alone. The stamps are the pass's wall clock, so the clock set back
// (the autumn clock change) shows as time running backwards, and the clock
// set forward (the spring one) as a jump ahead that a pause also makes: both
// break the line, as does any pause longer than a few pass intervals.
class PassTimeline {
 public:
  enum class Step {
    First,      // the first pass
    Continues,  // a pass interval, or less
    Backwards,  // earlier than the pass before
    Pause,      // far later than the pass interval: a pause, or the clock set forward
  };

  // A step longer than this many usual pass intervals breaks the line ...
  static constexpr int kPauseIntervals = 5;
  // ... when it is longer than this too: time stamps count whole seconds.
  static constexpr qint64 kShortestPauseMs = 10'000;

  Step Next(qint64 wallClockMs);

  // The usual pass interval so far (the median of the last few); 0 before two passes.
  qint64 UsualIntervalMs() const;
  // The step the last call judged, in milliseconds (negative: backwards).
  qint64 LastStepMs() const { return lastStepMs_; }

 private:
  static constexpr int kRemembered = 9;
  std::array<qint64, kRemembered> intervals_{};
  int intervalCount_ = 0;
  int nextInterval_ = 0;
  bool any_ = false;
  qint64 lastMs_ = 0;
  qint64 lastStepMs_ = 0;
};
