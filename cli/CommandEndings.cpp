#include "cli/CommandEndings.h"

#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "cli/HeadlessCommand.h"
#include "link/AddressList.h"
#include "link/StatusTexts.h"

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

QTextStream& Err() {
  static QTextStream err(stderr);
  return err;
}

int LinkFailed(const QString& reason) {
  Err() << "pelmor: the adapter link could not be opened: " << reason << Qt::endl;
  return headless_exit::kNoLink;
}

int LinkLost(const QString& reason) {
  Err() << "pelmor: the adapter was lost: " << reason << Qt::endl;
  return headless_exit::kLinkLost;
}

int AddressBusy(int addressEntry) {
  Err() << "pelmor: the adapter reports address " << address_list::EntryText(addressEntry)
        << " busy: " << EventStatusText(static_cast<std::uint16_t>(AdapterEvent::Busy)) << Qt::endl;
  return headless_exit::kNoLink;
}

int Interrupted(int signal) {
  Err() << "pelmor: interrupted before the job was done" << Qt::endl;
  return headless_exit::kBySignal + signal;
}

int OutputLost(const StandardOutput& out) {
  if (out.Error() == EPIPE) return headless_exit::kBySignal + SIGPIPE;
  Err() << "pelmor: cannot write the output: " << std::strerror(out.Error()) << Qt::endl;
  return headless_exit::kOutputFailed;
}
