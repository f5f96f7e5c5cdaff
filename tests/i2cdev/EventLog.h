#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "link/adapter/AdapterLibrary.h"

// Records the events a library reports, and on which threads.
class EventLog {
 public:
  AdapterEventCallback Callback() {
    return [this](std::int32_t code) {
      std::lock_guard lock(mutex_);
      events_.push_back(static_cast<AdapterEvent>(code));
      threads_.insert(std::this_thread::get_id());
      arrived_.notify_all();
    };
  }
  // Waits for the n-th event (1-based) and returns it.
  AdapterEvent Next() {
    std::unique_lock lock(mutex_);
    const std::size_t wanted = ++taken_;
    if (!arrived_.wait_for(lock, std::chrono::seconds(5),
                           [&] { return events_.size() >= wanted; })) {
      return static_cast<AdapterEvent>(0);
    }
    return events_[wanted - 1];
  }
  std::vector<AdapterEvent> All() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::set<std::thread::id> Threads() {
    std::lock_guard lock(mutex_);
    return threads_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<AdapterEvent> events_;
  std::set<std::thread::id> threads_;
  std::size_t taken_ = 0;
};
