#pragma once

#include <chrono>
#include <functional>

// The rig's sense of time: when an action is due, and who runs it. The
// deterministic scheduler runs due actions when a test advances its clock; the
// threaded one runs them on its own thread at the real time, as a driver would.
class RigScheduler {
 public:
  using Duration = std::chrono::microseconds;
  using Action = std::function<void()>;

  virtual ~RigScheduler() = default;

  // Time since the rig started.
  virtual Duration Now() const = 0;

  // Runs the action once, no earlier than the delay from now. Actions due at the
  // same moment run in the order they were scheduled.
  virtual void ScheduleAfter(Duration delay, Action action) = 0;
};
