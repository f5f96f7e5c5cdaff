#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "timing/Timer.h"

// A timer on the Qt event loop that fires precisely: the pacing between rows
// is the scan's floor and nothing is added to it. The countdown runs in the
// kernel (a timerfd on the monotonic clock) and its expiry wakes the event
// loop like any readable file, to the microsecond; a QTimer's expiry instead
// waits for the loop's next millisecond-rounded wake-up, which added most of
// a millisecond to every row.
class TimerfdTimer : public Timer {
 public:
  explicit TimerfdTimer(int designInterval);
  ~TimerfdTimer() override;
  TimerfdTimer(const TimerfdTimer&) = delete;
  TimerfdTimer& operator=(const TimerfdTimer&) = delete;

  void SetInterval(int milliseconds) override;
  int Interval() const override { return interval_; }
  void Start() override;
  void Stop() override;
  bool IsActive() const override { return active_; }
  void SetTickHandler(std::function<void()> handler) override;

  // Time left before the next tick; -1 while stopped.
  int RemainingMs() const;

 private:
  // False when the kernel refused the countdown; the refusal is reported.
  bool SetCountdown(int milliseconds);
  void Expired();

  int descriptor_;
  std::unique_ptr<QSocketNotifier> notifier_;
  int interval_;
  bool active_ = false;
  std::function<void()> handler_;
};
