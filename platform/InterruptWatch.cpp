#include "platform/InterruptWatch.h"

#include <unistd.h>
#include <csignal>

namespace {

int signalPipe[2] = {-1, -1};

void OnInterruptSignal(int signal) {
  const auto byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void(int)> onInterrupt) {
  if (::pipe(signalPipe) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                   [onInterrupt = std::move(onInterrupt)] {
                     char byte = 0;
                     if (::read(signalPipe[0], &byte, 1) == 1) onInterrupt(byte);
                   });
  struct sigaction action {};
  action.sa_handler = OnInterruptSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

InterruptWatch::~InterruptWatch() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  notifier_.reset();
  if (signalPipe[0] >= 0) {
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
  }
}
