#include "chart/PassTimeline.h"

#include <algorithm>

PassTimeline::Step PassTimeline::Next(qint64 wallClockMs) {
  if (!any_) {
    any_ = true;
    lastMs_ = wallClockMs;
    lastStepMs_ = 0;
    return Step::First;
  }
  lastStepMs_ = wallClockMs - lastMs_;
  lastMs_ = wallClockMs;
  if (lastStepMs_ < 0) return Step::Backwards;
  const qint64 usual = UsualIntervalMs();
  if (usual > 0 && lastStepMs_ > std::max(kPauseIntervals * usual, kShortestPauseMs)) {
    return Step::Pause;
  }
  if (lastStepMs_ > 0) {
    intervals_[nextInterval_] = lastStepMs_;
    nextInterval_ = (nextInterval_ + 1) % kRemembered;
    intervalCount_ = std::min(intervalCount_ + 1, kRemembered);
  }
  return Step::Continues;
}

qint64 PassTimeline::UsualIntervalMs() const {
  if (intervalCount_ == 0) return 0;
  std::array<qint64, kRemembered> sorted = intervals_;
  const auto end = sorted.begin() + intervalCount_;
  std::nth_element(sorted.begin(), sorted.begin() + intervalCount_ / 2, end);
  return sorted[intervalCount_ / 2];
}
