#pragma once

#include <QDateTime>
#include <chrono>

// The two clocks of the machine. Wall-clock time (local date and time, with
// fractions of a second) stamps what happened; it jumps when the person or
// time synchronisation sets it. Monotonic time only runs forward, at a steady
// pace, from an arbitrary origin: waits are measured on it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime Now() const = 0;
  virtual std::chrono::milliseconds Monotonic() const = 0;
};
