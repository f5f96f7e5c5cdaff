#include "emulator/DeterministicScheduler.h"

RigScheduler::Duration DeterministicScheduler::Now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void DeterministicScheduler::ScheduleAfter(Duration delay, Action action) {
  std::lock_guard lock(mutex_);
  queue_.emplace(std::make_pair(now_ + delay, sequence_++), std::move(action));
}

void DeterministicScheduler::Advance(Duration by) {
  std::unique_lock lock(mutex_);
  const Duration target = now_ + by;
  while (!queue_.empty() && queue_.begin()->first.first <= target) {
    auto next = queue_.extract(queue_.begin());
    now_ = next.key().first;
    lock.unlock();
    next.mapped()();
    lock.lock();
  }
  now_ = target;
}
