#include "timing/TimerfdTimer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "timing/TimingLogging.h"

namespace {

timespec Span(int milliseconds) {
  return {milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1'000'000};
}

}  // namespace

TimerfdTimer::TimerfdTimer(int designInterval)
    : descriptor_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)),
      interval_(designInterval) {
  if (descriptor_ < 0) throw std::runtime_error("the system has no timer to give");
  notifier_ = std::make_unique<QSocketNotifier>(descriptor_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Expired(); });
}

TimerfdTimer::~TimerfdTimer() {
  notifier_.reset();
  ::close(descriptor_);
}

// Periodic, as the timer keeps ticking at its period until stopped; a zero
// (or negative) period ticks as soon as the loop is free, again and again.
bool TimerfdTimer::SetCountdown(int milliseconds) {
  const timespec period = milliseconds > 0 ? Span(milliseconds) : timespec{0, 1};
  const itimerspec spec{period, period};
  if (timerfd_settime(descriptor_, 0, &spec, nullptr) == 0) return true;
  qCCritical(lcTiming, "The timer could not be armed for %d ms: %s", milliseconds,
             std::strerror(errno));
  return false;
}

void TimerfdTimer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  if (active_) active_ = SetCountdown(interval_);
}

void TimerfdTimer::Start() {
  if (active_) return;
  active_ = SetCountdown(interval_);
}

void TimerfdTimer::Stop() {
  active_ = false;
  const itimerspec disarmed{};
  if (timerfd_settime(descriptor_, 0, &disarmed, nullptr) != 0) {
    qCCritical(lcTiming, "The timer could not be stopped: %s", std::strerror(errno));
  }
  // An expiry already counted but not yet read must not tick after the stop.
  std::uint64_t expirations;
  [[maybe_unused]] const ssize_t read = ::read(descriptor_, &expirations, sizeof expirations);
}

void TimerfdTimer::SetTickHandler(std::function<void()> handler) {
  handler_ = std::move(handler);
}

int TimerfdTimer::RemainingMs() const {
  if (!active_) return -1;
  itimerspec spec{};
  timerfd_gettime(descriptor_, &spec);
  return static_cast<int>(spec.it_value.tv_sec * 1000 + spec.it_value.tv_nsec / 1'000'000);
}

// Ticks missed while the loop was busy count as one, as with any timer of
// the event loop.
void TimerfdTimer::Expired() {
  std::uint64_t expirations = 0;
  if (::read(descriptor_, &expirations, sizeof expirations) != sizeof expirations) return;
  if (active_ && handler_) handler_();
}
