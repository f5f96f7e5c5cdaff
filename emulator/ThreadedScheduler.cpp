#include "emulator/ThreadedScheduler.h"

#include <sys/prctl.h>

ThreadedScheduler::ThreadedScheduler() : worker_([this] { Run(); }) {}

ThreadedScheduler::~ThreadedScheduler() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

RigScheduler::Duration ThreadedScheduler::Now() const {
  return std::chrono::duration_cast<Duration>(Clock::now() - start_);
}

void ThreadedScheduler::ScheduleAfter(Duration delay, Action action) {
  {
    std::lock_guard lock(mutex_);
    queue_.emplace(std::make_pair(Clock::now() + delay, sequence_++), std::move(action));
  }
  wake_.notify_all();
}

void ThreadedScheduler::Run() {
  // A transfer's end is due to the microsecond; the kernel's default timer
  // slack would let the thread wake up to 50 us late at every event.
  prctl(PR_SET_TIMERSLACK, 1UL);
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (queue_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const auto due = queue_.begin()->first.first;
    if (Clock::now() < due) {
      wake_.wait_until(lock, due);
      continue;
    }
    auto next = queue_.extract(queue_.begin());
    lock.unlock();
    next.mapped()();
    lock.lock();
  }
}
