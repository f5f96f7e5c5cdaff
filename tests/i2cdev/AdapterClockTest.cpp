// The bus clock of each USB bridge, told as its driver sets or shows it, over
// a fake sysfs with the bridge's HID device as the adapter's parent.
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <cstring>

#include "i2cdev/I2cBusDirectory.h"
#include "i2cdev/I2cDevBusProbe.h"
#include "tests/i2cdev/FakeI2cDev.h"

namespace {

// A CP2112's hidraw node: its SMBus configuration report (0x06) at 80 kHz, a
// big-endian number of hertz after the report's ID; or an open that fails.
class FakeHidraw : public DeviceCalls {
 public:
  int openError = 0;
  std::vector<std::string> opened;

  int Open(const std::string& path) override {
    opened.push_back(path);
    return openError != 0 ? -openError : 5;
  }
  int Ioctl(int, unsigned long request, void* report) override {
    const std::uint8_t configuration[14] = {0x06, 0x00, 0x01, 0x38, 0x80, 0x02, 0,
                                            0,    0,    0,    0,    0,    0,    1};
    if (request != HIDIOCGFEATURE(14) || *static_cast<std::uint8_t*>(report) != 0x06)
      return -EINVAL;
    std::memcpy(report, configuration, sizeof configuration);
    return sizeof configuration;
  }
  int Close(int) override { return 0; }
};

struct ClockCase {
  const char* driver;  // bound to the HID device, which has a hidraw node
  int openError;
  const char* clockAttribute;  // hid-ft260's, nullptr for none
  std::optional<int> hertz;
  const char* source;  // a part of it
  const char* remedy;  // a part of the first, "" for none
};

TEST(AdapterClock, EachBridgeTellsItsClockAsItsDriverLetsIt) {
  const char* const ft260Set =
      "set SMBus's 100 kHz with: echo 100 | sudo tee "
      "/sys/bus/hid/devices/0003:0403:6030.0002/clock";
  const ClockCase cases[] = {
      {"cp2112", 0, nullptr, 80'000,
       "the CP2112's own setting, which hid-cp2112 leaves as it finds it, read from ", ""},
      {"cp2112", EACCES, nullptr, std::nullopt,
       "cannot be opened to read it (Permission denied): sudo pelmor probe reads it", ""},
      {"ft260", 0, "400\n", 400'000,
       "hid-ft260's attribute /sys/bus/hid/devices/0003:0403:6030.0002/clock", ft260Set},
      {"ft260", 0, nullptr, std::nullopt, "could not be read", ft260Set},
      {"mcp2221", 0, nullptr, 400'000, "set by hid-mcp2221 when the adapter is plugged in",
       "no setting for it"},
      {"i2c-tiny-usb", 0, nullptr, std::nullopt, "the driver i2c-tiny-usb does not tell it", ""},
  };
  for (const ClockCase& c : cases) {
    SCOPED_TRACE(c.driver);
    FakeSysfs sysfs;
    sysfs.AddBus(7, "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0403:6030.0002", "a bridge");
    sysfs.BindParent(7, c.driver);
    std::filesystem::create_directories(sysfs.ParentOf(7) / "hidraw/hidraw3");
    if (c.clockAttribute) std::ofstream(sysfs.ParentOf(7) / "clock") << c.clockAttribute;
    FakeHidraw calls;
    calls.openError = c.openError;
    const I2cBusDirectory directory{sysfs.Sys(), sysfs.Dev()};

    const BusClock clock = I2cDevBusProbe(calls, directory, {}).ClockOf(8);
    EXPECT_EQ(clock.hertz, c.hertz);
    EXPECT_NE(clock.source.find(c.source), std::string::npos) << clock.source;
    const std::string remedies = clock.remedies.empty() ? "" : clock.remedies.at(0);
    EXPECT_EQ(remedies.empty(), *c.remedy == '\0') << remedies;
    EXPECT_NE(remedies.find(c.remedy), std::string::npos) << remedies;
    const bool readsTheChip = std::string(c.driver) == "cp2112";
    EXPECT_EQ(calls.opened.size(), readsTheChip ? 1u : 0u) << "only a CP2112's node is opened";
  }
}

}  // namespace
