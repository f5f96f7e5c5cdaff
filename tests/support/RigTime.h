#pragma once

#include <QDateTime>
#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>

#include "emulator/EmulatedRig.h"
#include "timing/Clock.h"
#include "timing/Timer.h"

// Time on the deterministic rig, for the scan's tests and the benchmarks
// alike: timers and a wall clock on the rig's virtual clock, and the loop that
// moves the rig on from one timer deadline to the next.

using Micros = std::chrono::microseconds;

// A timer on the rig's clock, fired by whoever moves the rig on, when its
// time comes.
class RigTimer : public Timer {
 public:
  explicit RigTimer(const EmulatedRig& rig) : rig_(rig) {}

  void SetInterval(int ms) override {
    if (ms == interval_) return;
    interval_ = ms;
    if (active_) deadline_ = Now() + std::chrono::milliseconds(ms);
  }
  int Interval() const override { return interval_; }
  void Start() override {
    if (active_) return;
    active_ = true;
    deadline_ = Now() + std::chrono::milliseconds(interval_);
  }
  void Stop() override { active_ = false; }
  bool IsActive() const override { return active_; }
  void SetTickHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  std::optional<Micros> Deadline() const {
    return active_ ? std::optional(deadline_) : std::nullopt;
  }
  // Ticks when its deadline has come.
  void FireIfDue() {
    if (!active_ || deadline_ > Now()) return;
    deadline_ = Now() + std::chrono::milliseconds(interval_);
    if (handler_) handler_();
  }

 private:
  Micros Now() const { return std::chrono::duration_cast<Micros>(rig_.Now()); }

  const EmulatedRig& rig_;
  int interval_ = 100;
  bool active_ = false;
  Micros deadline_{0};
  std::function<void()> handler_;
};

// The wall clock on the rig's time.
class RigClock : public Clock {
 public:
  RigClock(const EmulatedRig& rig, QDateTime start) : base(std::move(start)), rig_(rig) {}
  QDateTime Now() const override { return base.addMSecs(Monotonic().count()); }
  std::chrono::milliseconds Monotonic() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(rig_.Now());
  }

  // The wall-clock time at the rig's time zero: moving it sets the clock.
  QDateTime base;

 private:
  const EmulatedRig& rig_;
};

// The scan's two timers on the rig's clock.
class RigTimers {
 public:
  explicit RigTimers(EmulatedRig& rig) : transaction(rig), repeat(rig), rig_(rig) {}

  Micros Now() const { return std::chrono::duration_cast<Micros>(rig_.Now()); }

  // Moves the rig on by at most a millisecond, to `until` or the next timer
  // deadline at the latest, reporting the adapter events that fall due.
  void Step(Micros until = Micros::max()) {
    Micros step = std::min(until, Now() + std::chrono::milliseconds(1));
    for (const RigTimer* timer : {&transaction, &repeat}) {
      if (const std::optional<Micros> deadline = timer->Deadline()) {
        step = std::min(step, std::max(*deadline, Now()));
      }
    }
    rig_.Advance(step - Now());
  }
  void FireDue() {
    transaction.FireIfDue();
    repeat.FireIfDue();
  }
  // Moves the rig on by this much, each timer ticking as its deadline comes.
  void Advance(Micros by) {
    const Micros target = Now() + by;
    while (Now() < target) {
      Step(target);
      FireDue();
    }
  }

  RigTimer transaction;
  RigTimer repeat;

 private:
  EmulatedRig& rig_;
};
