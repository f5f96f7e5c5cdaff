#include "LinkControl.h"

#include "ReturnCodeText.h"

LinkControl::LinkControl(AdapterLibrary& adapter, LinkSettings& settings, StatusLine& status,
                         ErrorReporter& errors, AdapterEventCallback eventCallback)
    : adapter_(adapter),
      settings_(settings),
      status_(status),
      errors_(errors),
      eventCallback_(std::move(eventCallback)) {}

LinkStatus LinkControl::QueryLink() {
  I2CStatusRecord record;
  const std::int32_t code = adapter_.I2CGetStatus(record);
  if (code != return_code::kAccepted) {
    status_.ShowStatus(StatusText(ReturnCodeText(code)));
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
  const std::optional<QString> entry = settings_.SelectedComPortEntry();
  if (!entry) {
    errors_.ShowError(QString::fromLatin1(kNoComPortSelected));
    return;
  }
  const I2COpenParams params = MakeOpenParams(ComPortNumber(*entry));
  const std::int32_t code = adapter_.I2COpen(params, eventCallback_, kAdapterLogFileName);
  status_.ShowStatus(code == return_code::kAccepted
                         ? QStringLiteral("<<Attempting to Open Kavix Link>>")
                         : StatusText(ReturnCodeText(code)));
}

bool LinkControl::CloseLink() {
  return adapter_.I2CClose() == return_code::kAccepted;
}
