#include "QtTimer.h"

QtTimer::QtTimer(int designInterval) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(designInterval);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (handler_) handler_();
  });
}

void QtTimer::SetInterval(int milliseconds) {
  if (milliseconds == timer_.interval()) return;
  if (timer_.isActive()) {
    timer_.start(milliseconds);
  } else {
    timer_.setInterval(milliseconds);
  }
}

int QtTimer::Interval() const {
  return timer_.interval();
}

void QtTimer::Start() {
  if (!timer_.isActive()) timer_.start();
}

void QtTimer::Stop() {
  timer_.stop();
}

bool QtTimer::IsActive() const {
  return timer_.isActive();
}

void QtTimer::SetTickHandler(std::function<void()> handler) {
  handler_ = std::move(handler);
}
