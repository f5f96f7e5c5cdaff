#include "cli/CommandEndings.h"

#include "cli/HeadlessCommand.h"
#include "link/AddressList.h"
#include "link/StatusTexts.h"

Diagnostic Err() {
  return {};
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

int OutputLost() {
  return StatusAfterOutput(headless_exit::kOutputFailed);
}
