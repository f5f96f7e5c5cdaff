#include "I2cDevPorts.h"

#include "AdapterAbilities.h"
#include "AdapterSurvey.h"

namespace {

QString DeviceAndName(const I2cBusDirectory& directory, const I2cBus& bus) {
  QString text = QString::fromStdString(directory.DeviceNode(bus.number));
  if (!bus.name.empty()) text += QStringLiteral(", ") + QString::fromStdString(bus.name);
  return text;
}

}  // namespace

I2cDevPorts::I2cDevPorts(DeviceCalls& calls, const I2cBusDirectory& directory,
                         I2cDevOptions options)
    : calls_(calls), directory_(directory), options_(options) {}

bool I2cDevPorts::ProbeComPort(int portNumber) {
  if (portNumber == kFirstI2cPort) {
    listed_.clear();
    leftOut_.clear();
  }
  const std::optional<int> busNumber = BusForPort(portNumber);
  if (!busNumber) return false;
  const std::optional<I2cBus> bus = directory_.Find(*busNumber);
  if (!bus) return false;
  const QString device = DeviceAndName(directory_, *bus);
  const BusSurvey survey = SurveyBus(calls_, directory_, *bus, options_);
  if (!survey.leftOut.empty()) {
    leftOut_ << device + QStringLiteral(": ") + QString::fromStdString(survey.leftOut);
    return false;
  }

  QString entry = QStringLiteral("%1 = %2").arg(portNumber).arg(device);
  if (!bus->usbAttached) entry += QStringLiteral(" (not USB: a computer's own bus)");
  if (survey.functionality) {
    const std::string unusable =
        UnusableBecause(AbilitiesFrom(*survey.functionality, bus->name), options_.pec);
    if (!unusable.empty()) {
      entry += QStringLiteral(" (unusable: %1)").arg(QString::fromStdString(unusable));
    }
  }
  QStringList lines{entry};
  for (const HeldAddress& held : directory_.HeldAddresses(*busNumber)) {
    lines << QStringLiteral("%1: %2")
                 .arg(portNumber)
                 .arg(QString::fromStdString(HeldAddressText(*busNumber, held)));
  }
  listed_[portNumber] = lines;
  return true;
}

QStringList I2cDevPorts::HintLines(const std::vector<int>& foundPorts) {
  QStringList lines;
  for (const int port : foundPorts) {
    const auto found = listed_.find(port);
    if (found != listed_.end()) lines += found->second;
  }
  if (foundPorts.empty()) {
    lines << QStringLiteral("No USB I2C adapter could be opened. Check that:")
          << QStringLiteral("- the adapter is plugged in (lsusb lists it)")
          << QStringLiteral("- the i2c-dev module is loaded (sudo modprobe i2c-dev)")
          << QStringLiteral("- you may open /dev/i2c-* (udev rule, group i2c)")
          << (options_.guide.empty()
                  ? QStringLiteral("See \"No adapter listed\" in Help > ReadMe")
                  : QStringLiteral("See \"No adapter listed\" in Help > ReadMe and in %1")
                        .arg(QString::fromStdString(options_.guide)))
          << QStringLiteral("To try the program without hardware: pelmor --emulated");
  }
  lines << leftOut_;
  lines << QString::fromLatin1(kProbeAdvice);
  return lines;
}
