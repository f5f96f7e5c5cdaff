#include "i2cdev/AdapterClock.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "i2cdev/KernelErrors.h"

namespace {

std::optional<int> WholeNumber(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  int number = 0;
  const char* end = text->data() + text->size();
  const auto [stop, error] = std::from_chars(text->data(), end, number);
  if (error != std::errc() || stop != end) return std::nullopt;
  return number;
}

// The CP2112's Get/Set SMBus Configuration report: its ID, then the clock in
// hertz as a big-endian 32-bit number, then the address, time-outs and retries.
constexpr std::uint8_t kCp2112SmbusConfiguration = 0x06;
constexpr std::size_t kCp2112SmbusConfigurationSize = 14;
constexpr int kCp2112ThroughTheClock = 5;

BusClock Cp2112Clock(DeviceCalls& calls, const I2cBusDirectory& directory, const I2cBus& bus) {
  const std::string kept = "the CP2112's own setting, which hid-cp2112 leaves as it finds it";
  const std::optional<std::string> node = directory.ParentHidraw(bus.number);
  if (!node) return {std::nullopt, kept + " and shows nowhere; it has no hidraw node", {}};
  const int fd = calls.Open(*node);
  if (fd < 0) {
    std::string why = kept + " and shows nowhere; " + *node + " cannot be opened to read it (" +
                      ErrorText(-fd) + ")";
    if (fd == -EACCES || fd == -EPERM) why += ": sudo pelmor probe reads it";
    return {std::nullopt, why, {}};
  }
  std::array<std::uint8_t, kCp2112SmbusConfigurationSize> report{kCp2112SmbusConfiguration};
  const int got = calls.Ioctl(fd, HIDIOCGFEATURE(report.size()), report.data());
  calls.Close(fd);
  if (got < kCp2112ThroughTheClock) {
    return {std::nullopt,
            kept + "; " + *node + " did not give it (" +
                (got < 0 ? ErrorText(-got) : "a short report") + ")",
            {}};
  }
  const auto hertz =
      static_cast<int>(std::uint32_t{report[1]} << 24 | std::uint32_t{report[2]} << 16 |
                       std::uint32_t{report[3]} << 8 | report[4]);
  return {hertz, kept + ", read from " + *node, {}};
}

BusClock Ft260Clock(DeviceCalls&, const I2cBusDirectory& directory, const I2cBus& bus) {
  const std::string attribute = "/sys/bus/hid/devices/" + bus.parentName + "/clock";
  const std::vector<std::string> remedies{"set SMBus's 100 kHz with: echo 100 | sudo tee " +
                                          attribute};
  const std::optional<int> kilohertz = WholeNumber(directory.ParentAttribute(bus.number, "clock"));
  if (!kilohertz || *kilohertz <= 0) {
    return {std::nullopt, "hid-ft260's attribute " + attribute + " could not be read", remedies};
  }
  return {*kilohertz * 1000, "hid-ft260's attribute " + attribute, remedies};
}

BusClock Mcp2221Clock(DeviceCalls&, const I2cBusDirectory&, const I2cBus&) {
  return {400'000,
          "set by hid-mcp2221 when the adapter is plugged in",
          {"hid-mcp2221 has no setting for it (no module option): a pack that needs 100 kHz "
           "needs another adapter, such as a CP2112 or an FT260"}};
}

struct ClockReader {
  std::string_view driver;  // as sysfs names the HID driver
  BusClock (*read)(DeviceCalls&, const I2cBusDirectory&, const I2cBus&);
};

constexpr ClockReader kReaders[] = {
    {"cp2112", Cp2112Clock},
    {"ft260", Ft260Clock},
    {"mcp2221", Mcp2221Clock},
};

}  // namespace

BusClock ReadBusClock(DeviceCalls& calls, const I2cBusDirectory& directory, const I2cBus& bus) {
  for (const ClockReader& reader : kReaders) {
    if (reader.driver == bus.parentDriver) return reader.read(calls, directory, bus);
  }
  if (bus.parentDriver.empty()) return {std::nullopt, "its driver does not tell it", {}};
  return {std::nullopt, "the driver " + bus.parentDriver + " does not tell it", {}};
}
