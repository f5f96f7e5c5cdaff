#pragma once

#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

// Waits, ten seconds at most, until the calling thread is the process's only
// one. A test program that painted large areas calls it once its application
// object is gone: that ends Qt's thread pool, and the pool counts a thread as
// ended before the thread has run its last clean-up, which frees the thread's
// own record. A leak check at exit that came in between would report that
// record as leaked.
inline void WaitUntilLastThread() {
  using namespace std::chrono_literals;
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  const auto threads = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                         std::filesystem::directory_iterator());
  };
  while (threads() > 1 && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(1ms);
  }
}
