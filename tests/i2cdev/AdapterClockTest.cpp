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

// A CP2112's hidraw node: its SMBus configuration report (0x06) as the chip
// answers it, or an open that fails.
class FakeHidraw : public DeviceCalls {
 public:
  int openError = 0;
  std::vector<std::uint8_t> configuration;
  std::vector<std::string> opened;

  int Open(const std::string& path) override {
    opened.push_back(path);
    return openError != 0 ? -openError : 5;
  }
  int Ioctl(int, unsigned long request, void* argument) override {
    auto* report = static_cast<std::uint8_t*>(argument);
    if (request != HIDIOCGFEATURE(14) || report[0] != 0x06) return -EINVAL;
    std::memcpy(report, configuration.data(), configuration.size());
    return static_cast<int>(configuration.size());
  }
  int Close(int) override { return 0; }
};

struct ClockCase {
  const char* what;
  const char* driver;  // bound to the HID device; "" for none
  bool hidraw;
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
      {"CP2112, read from the chip", "cp2112", true, 0, nullptr, 80'000,
       "the CP2112's own setting, which hid-cp2112 leaves as it finds it, read from ", ""},
      {"CP2112, its node closed to the user", "cp2112", true, EACCES, nullptr, std::nullopt,
       "cannot be opened to read it (Permission denied): sudo pelmor probe reads it", ""},
      {"CP2112 without a hidraw node", "cp2112", false, 0, nullptr, std::nullopt,
       "shows nowhere; it has no hidraw node", ""},
      {"FT260, its attribute", "ft260", true, 0, "400\n", 400'000,
       "hid-ft260's attribute /sys/bus/hid/devices/0003:0403:6030.0002/clock", ft260Set},
      {"FT260, an attribute that is no number", "ft260", false, 0, "fast\n", std::nullopt,
       "could not be read", ft260Set},
      {"FT260 without the attribute", "ft260", false, 0, nullptr, std::nullopt, "could not be read",
       ft260Set},
      {"MCP2221A, fixed by its driver", "mcp2221", false, 0, nullptr, 400'000,
       "set by hid-mcp2221 when the adapter is plugged in", "no setting for it"},
      {"another driver", "i2c-tiny-usb", false, 0, nullptr, std::nullopt,
       "the driver i2c-tiny-usb does not tell it", ""},
      {"no driver", "", false, 0, nullptr, std::nullopt, "its driver does not tell it", ""},
  };
  for (const ClockCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSysfs sysfs;
    sysfs.AddBus(7, "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0403:6030.0002", "a USB bridge");
    if (*c.driver) sysfs.BindParent(7, c.driver);
    if (c.hidraw) std::filesystem::create_directories(sysfs.ParentOf(7) / "hidraw/hidraw3");
    if (c.clockAttribute) std::ofstream(sysfs.ParentOf(7) / "clock") << c.clockAttribute;
    FakeHidraw calls;
    calls.openError = c.openError;
    // 80 kHz as a big-endian 32-bit number of hertz, then the rest of the configuration.
    calls.configuration = {0x06, 0x00, 0x01, 0x38, 0x80, 0x02, 0, 0, 0, 0, 0, 0, 0, 1};
    const I2cBusDirectory directory{sysfs.Sys(), sysfs.Dev()};
    I2cDevBusProbe probe{calls, directory, {}};

    const BusClock clock = probe.ClockOf(8);
    EXPECT_EQ(clock.hertz, c.hertz);
    EXPECT_NE(clock.source.find(c.source), std::string::npos) << clock.source;
    if (*c.remedy) {
      ASSERT_EQ(clock.remedies.size(), 1u);
      EXPECT_NE(clock.remedies[0].find(c.remedy), std::string::npos) << clock.remedies[0];
    } else {
      EXPECT_TRUE(clock.remedies.empty());
    }
    const std::vector<std::string> hidrawOpened{(sysfs.Dev() / "hidraw3").string()};
    const bool readsTheChip = c.hidraw && std::string(c.driver) == "cp2112";
    EXPECT_EQ(calls.opened, readsTheChip ? hidrawOpened : std::vector<std::string>{})
        << "only a CP2112's own hidraw node is opened";
  }
  FakeHidraw calls;
  FakeSysfs sysfs;
  const I2cBusDirectory directory{sysfs.Sys(), sysfs.Dev()};
  EXPECT_EQ(I2cDevBusProbe(calls, directory, {}).ClockOf(8).source, "no I2C adapter behind port 8");
}

}  // namespace
