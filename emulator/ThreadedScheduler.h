#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "emulator/RigScheduler.h"

// Runs each action on its own worker thread once its real time has come.
class ThreadedScheduler : public RigScheduler {
 public:
  ThreadedScheduler();
  ~ThreadedScheduler() override;
  ThreadedScheduler(const ThreadedScheduler&) = delete;
  ThreadedScheduler& operator=(const ThreadedScheduler&) = delete;

  Duration Now() const override;
  void ScheduleAfter(Duration delay, Action action) override;

 private:
  using Clock = std::chrono::steady_clock;
  void Run();

  const Clock::time_point start_ = Clock::now();
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::uint64_t sequence_ = 0;
  std::map<std::pair<Clock::time_point, std::uint64_t>, Action> queue_;
  std::thread worker_;
};
