#pragma once

#include "timing/Clock.h"

// The computer's own clock, in local time.
class LocalClock : public Clock {
 public:
  QDateTime Now() const override { return QDateTime::currentDateTime(); }
};
