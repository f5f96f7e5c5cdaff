#pragma once

#include "timing/Clock.h"

// The computer's own clocks: local time, and CLOCK_MONOTONIC.
class LocalClock : public Clock {
 public:
  QDateTime Now() const override { return QDateTime::currentDateTime(); }
  std::chrono::milliseconds Monotonic() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
  }
};
