#include "i2cdev/I2cDevPorts.h"

#include "i2cdev/AdapterAbilities.h"
#include "i2cdev/AdapterSurvey.h"

namespace {

std::string DeviceAndName(const I2cBusDirectory& directory, const I2cBus& bus) {
  std::string text = directory.DeviceNode(bus.number);
  if (!bus.name.empty()) text += ", " + bus.name;
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
  const std::string device = DeviceAndName(directory_, *bus);
  const BusSurvey survey = SurveyBus(calls_, directory_, *bus, options_);
  if (!survey.leftOut.empty()) {
    leftOut_.push_back(device + ": " + survey.leftOut);
    return false;
  }

  const std::string port = std::to_string(portNumber);
  std::string entry = port + " = " + device;
  if (!bus->usbAttached) entry += " (not USB: a computer's own bus)";
  if (survey.functionality) {
    const std::string unusable =
        UnusableBecause(AbilitiesFrom(*survey.functionality, bus->name), options_.pec);
    if (!unusable.empty()) {
      entry += " (unusable: " + unusable + ")";
    }
  }
  std::vector<std::string> lines{entry};
  for (const HeldAddress& held : directory_.HeldAddresses(*busNumber)) {
    lines.push_back(port + ": " + HeldAddressText(*busNumber, held));
  }
  listed_[portNumber] = lines;
  return true;
}

std::vector<std::string> I2cDevPorts::HintLines(const std::vector<int>& foundPorts) {
  std::vector<std::string> lines;
  for (const int port : foundPorts) {
    const auto found = listed_.find(port);
    if (found != listed_.end())
      lines.insert(lines.end(), found->second.begin(), found->second.end());
  }
  if (foundPorts.empty()) {
    const std::string readMe = "See \"No adapter listed\" in Help > ReadMe";
    lines.insert(lines.end(),
                 {"No USB I2C adapter could be opened. Check that:",
                  "- the adapter is plugged in (lsusb lists it)",
                  "- the i2c-dev module is loaded (sudo modprobe i2c-dev)",
                  "- you may open /dev/i2c-* (udev rule, group i2c)",
                  options_.guide.empty() ? readMe : readMe + " and in " + options_.guide,
                  "To try the program without hardware: pelmor --emulated"});
  }
  lines.insert(lines.end(), leftOut_.begin(), leftOut_.end());
  lines.push_back(kProbeAdvice);
  return lines;
}
