#pragma once

#include <functional>

// A millisecond timer as the scan uses it. Arming sets the period and starts
// the timer; a running timer given a new period restarts its countdown, a
// running timer given its current period keeps counting, and starting a
// running timer changes nothing.
class Timer {
 public:
  virtual ~Timer() = default;

  virtual void SetInterval(int milliseconds) = 0;
  virtual int Interval() const = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool IsActive() const = 0;

  // Called at every tick, on the event loop.
  virtual void SetTickHandler(std::function<void()> handler) = 0;

  void Arm(int milliseconds) {
    SetInterval(milliseconds);
    Start();
  }
};
