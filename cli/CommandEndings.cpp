#include "cli/CommandEndings.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include "cli/HeadlessCommand.h"
#include "link/AddressList.h"
#include "link/StatusTexts.h"

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
