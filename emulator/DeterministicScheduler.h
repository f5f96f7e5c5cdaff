#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

#include "emulator/RigScheduler.h"

// No thread and no real time: the clock moves only when the test advances it,
// and the actions that fall due meanwhile run on the caller's thread in order.
class DeterministicScheduler : public RigScheduler {
 public:
  Duration Now() const override;
  void ScheduleAfter(Duration delay, Action action) override;

  // Moves the clock forward by the given time, running every action that
  // falls due on the way (including ones those actions schedule).
  void Advance(Duration by);

 private:
  mutable std::mutex mutex_;
  Duration now_{0};
  std::uint64_t sequence_ = 0;
  std::map<std::pair<Duration, std::uint64_t>, Action> queue_;
};
