#include "i2cdev/I2cDevBusProbe.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "i2cdev/AdapterAbilities.h"
#include "i2cdev/AdapterClock.h"
#include "i2cdev/AdapterSurvey.h"
#include "i2cdev/KernelErrors.h"

namespace {

std::string BlockReadText(BlockReadMethod method) {
  switch (method) {
    case BlockReadMethod::I2cTransfer:
      return "plain I2C write-then-read";
    case BlockReadMethod::SmbusBlock:
      return "SMBus Block Read";
    case BlockReadMethod::I2cBlock:
      return "I2C block read (at most 31 data bytes)";
    case BlockReadMethod::None:
      break;
  }
  return {};
}

AdapterFunctions FunctionsFrom(unsigned long functionality, bool pecWanted) {
  const AdapterAbilities abilities = AbilitiesFrom(functionality);
  AdapterFunctions functions;
  functions.receiveByte = (functionality & (I2C_FUNC_SMBUS_READ_BYTE | I2C_FUNC_I2C)) != 0;
  functions.readWord = abilities.readWord;
  functions.writeWord = abilities.writeWord;
  functions.pec = abilities.pec;
  functions.blockRead = BlockReadText(abilities.blockRead);
  functions.unusable = UnusableBecause(abilities, pecWanted);
  return functions;
}

}  // namespace

I2cDevBusProbe::I2cDevBusProbe(DeviceCalls& calls, const I2cBusDirectory& directory,
                               I2cDevOptions options)
    : calls_(calls), directory_(directory), options_(options) {}

I2cDevBusProbe::~I2cDevBusProbe() {
  Close();
}

std::vector<ProbedAdapter> I2cDevBusProbe::Adapters() {
  std::vector<ProbedAdapter> adapters;
  for (const int number : directory_.Buses()) {
    const std::optional<I2cBus> bus = directory_.Find(number);
    if (!bus || PortForBus(number) > kLastI2cPort) continue;
    const BusSurvey survey = SurveyBus(calls_, directory_, *bus, options_);
    ProbedAdapter adapter;
    adapter.port = PortForBus(number);
    adapter.device = directory_.DeviceNode(number);
    adapter.name = bus->name;
    adapter.attachment = bus->usbAttached ? "USB" : "not USB: a computer's own bus";
    adapter.leftOut = survey.leftOut;
    if (survey.functionality)
      adapter.functions = FunctionsFrom(*survey.functionality, options_.pec);
    for (const int error : {ETIMEDOUT, EIO}) {
      std::string& alike = EventForError(error, bus->name) == AdapterEvent::SlaveNack
                               ? adapter.nackAlike
                               : adapter.brokenAlike;
      if (alike.empty()) alike = FaultsAlike(error, bus->name);
    }
    adapter.givesUpOnAHeldClock = GivesUpOnAHeldClock(bus->name);
    adapters.push_back(adapter);
  }
  return adapters;
}

BusClock I2cDevBusProbe::ClockOf(int port) {
  const std::optional<int> number = BusForPort(port);
  const std::optional<I2cBus> bus = number ? directory_.Find(*number) : std::nullopt;
  if (!bus) return {std::nullopt, "no I2C adapter behind port " + std::to_string(port), {}};
  return ReadBusClock(calls_, directory_, *bus);
}

std::string I2cDevBusProbe::Open(int port) {
  Close();
  const std::optional<int> number = BusForPort(port);
  const std::optional<I2cBus> bus = number ? directory_.Find(*number) : std::nullopt;
  if (!bus) return "no I2C adapter behind port " + std::to_string(port);
  if (!bus->usbAttached && !options_.allBuses) {
    return "not attached through USB; only pelmor --all-buses opens it";
  }
  const std::string node = directory_.DeviceNode(bus->number);
  const int fd = calls_.Open(node);
  if (fd < 0) return node + ": " + OpenFailureText(-fd, node);
  if (const int result = calls_.Ioctl(fd, I2C_FUNCS, &functionality_); result < 0) {
    calls_.Close(fd);
    return node + " does not tell what it can do: " + OpenFailureText(-result, node);
  }
  fd_ = fd;
  bus_ = bus->number;
  name_ = bus->name;
  return {};
}

void I2cDevBusProbe::Close() {
  if (fd_ >= 0) calls_.Close(fd_);
  fd_ = -1;
}

std::optional<AddressHolder> I2cDevBusProbe::HolderOf(std::uint8_t address) {
  const std::optional<std::string> driver = directory_.DriverAt(bus_, address);
  if (!driver) return std::nullopt;
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02x", address);
  return AddressHolder{*driver,
                       {UnbindCommand(bus_, {address, *driver}),
                        "echo " + std::string(hex) + " | sudo tee /sys/bus/i2c/devices/i2c-" +
                            std::to_string(bus_) + "/delete_device"}};
}

ProbeAnswer I2cDevBusProbe::Touch(std::uint8_t address) {
  if (fd_ < 0) throw std::logic_error("an address touched before an adapter was opened");
  const int slave = calls_.Ioctl(fd_, I2C_SLAVE, reinterpret_cast<void*>(address));
  if (slave == -EBUSY) return ProbeAnswer::Held;
  if (slave < 0) return ProbeAnswer::BusError;
  int result;
  if (functionality_ & I2C_FUNC_SMBUS_READ_BYTE) {
    i2c_smbus_data data{};
    i2c_smbus_ioctl_data request{I2C_SMBUS_READ, 0, I2C_SMBUS_BYTE, &data};
    result = calls_.Ioctl(fd_, I2C_SMBUS, &request);
  } else {
    std::uint8_t byte = 0;
    i2c_msg message{address, I2C_M_RD, 1, &byte};
    i2c_rdwr_ioctl_data request{&message, 1};
    result = calls_.Ioctl(fd_, I2C_RDWR, &request);
  }
  if (result >= 0) return ProbeAnswer::Acknowledged;
  switch (EventForError(-result, name_)) {
    case AdapterEvent::SlaveNack:
      return ProbeAnswer::NotAcknowledged;
    case AdapterEvent::BusTimeout:
      return ProbeAnswer::TimedOut;
    case AdapterEvent::Busy:
      return ProbeAnswer::Held;
    default:
      return ProbeAnswer::BusError;
  }
}
