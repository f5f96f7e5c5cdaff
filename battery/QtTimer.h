#pragma once

#include <QTimer>

#include "Timer.h"

// The scan's timer on the Qt event loop, firing precisely: the pacing between
// rows is the scan's floor and nothing is added to it.
class QtTimer : public Timer {
 public:
  explicit QtTimer(int designInterval);

  void SetInterval(int milliseconds) override;
  int Interval() const override;
  void Start() override;
  void Stop() override;
  bool IsActive() const override;
  void SetTickHandler(std::function<void()> handler) override;

  // Time left before the next tick; -1 while stopped.
  int RemainingMs() const { return timer_.remainingTime(); }

 private:
  QTimer timer_;
  std::function<void()> handler_;
};
