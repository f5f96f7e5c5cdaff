#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

// Turns Ctrl+C (and a polite kill) into a call on the event loop, with the
// signal's number, while it lives; then the signals act as before.
class InterruptWatch {
 public:
  explicit InterruptWatch(std::function<void(int)> onInterrupt);
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};
