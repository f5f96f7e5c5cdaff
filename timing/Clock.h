#pragma once

#include <QDateTime>

// Local wall-clock date and time, with fractions of a second.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime Now() const = 0;
};
