#include "cli/BusTargetOptionSet.h"

BusTargetOptionSet::Reading BusTargetOptionSet::Read(const QCommandLineParser& parser) const {
  Reading reading;
  if (parser.isSet(port)) {
    bool ok = false;
    const uint number = parser.value(port).toUInt(&ok, 10);
    if (!ok || number > 255) {
      reading.error = QStringLiteral("--port takes a port number, not: %1").arg(parser.value(port));
      return reading;
    }
    reading.port = static_cast<int>(number);
  }
  const std::optional<int> entry = address_list::EntryOf(parser.value(address));
  if (!entry) {
    reading.error =
        QStringLiteral("--address takes an even address byte 00 to FE in hexadecimal, not: %1")
            .arg(parser.value(address));
    return reading;
  }
  reading.addressEntry = *entry;
  return reading;
}
