#include "link/LinkControl.h"

LinkControl::LinkControl(Ports ports, AdapterEventCallback eventCallback)
    : ports_(ports), eventCallback_(std::move(eventCallback)) {}

LinkStatus LinkControl::QueryLink() {
  I2CStatusRecord record;
  const std::int32_t code = ports_.adapter.I2CGetStatus(record);
  if (code != return_code::kAccepted) {
    ports_.events.LinkFailed({LinkFailure::Kind::StatusRefused, code});
    return LinkStatus::Unknown;
  }
  return record.linkOpen != 0 ? LinkStatus::Open : LinkStatus::Closed;
}

std::uint8_t LinkControl::ComPortNumber(const QString& entry) {
  bool isNumber = false;
  const int number = entry.toInt(&isNumber, 10);
  return isNumber ? static_cast<std::uint8_t>(number) : 0;
}

void LinkControl::OpenLink() {
  const std::optional<QString> entry = ports_.settings.SelectedComPortEntry();
  if (!entry) {
    ports_.errors.ShowError(QString::fromLatin1(kNoComPortSelected));
    ports_.events.LinkFailed({LinkFailure::Kind::NoPortSelected});
    return;
  }
  const I2COpenParams params = MakeOpenParams(ComPortNumber(*entry));
  const std::int32_t code = ports_.adapter.I2COpen(params, eventCallback_, kAdapterLogFileName);
  if (code == return_code::kAccepted) {
    ports_.events.LinkOpening();
  } else {
    ports_.events.LinkFailed({LinkFailure::Kind::OpenRefused, code});
  }
}

bool LinkControl::CloseLink() {
  return ports_.adapter.I2CClose() == return_code::kAccepted;
}
