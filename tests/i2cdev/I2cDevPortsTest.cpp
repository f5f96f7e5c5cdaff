#include <gtest/gtest.h>

#include <QStringList>

#include "i2cdev/I2cBusDirectory.h"
#include "i2cdev/I2cDevPorts.h"
#include "tests/i2cdev/FakeI2cDev.h"

namespace {

using Call = FakeI2cDev::Call;

QStringList Hint(I2cDevPorts& ports, const std::vector<int>& found) {
  QStringList lines;
  for (const std::string& line : ports.HintLines(found)) lines << QString::fromStdString(line);
  return lines;
}

constexpr unsigned long kWordsAndBlocks = I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA;

// A machine with the chipset's SMBus as i2c-0, a display's DDC bus as i2c-3
// and a CP2112 adapter on USB as i2c-7.
class I2cDevPortsTest : public ::testing::Test {
 protected:
  I2cDevPortsTest() {
    sysfs.AddMotherboardBus(0, "SMBus I801 adapter at efa0");
    sysfs.AddBus(3, "pci0000:00/0000:00:02.0/drm/card1/card1-HDMI-A-1", "i915 gmbus hdmib");
    sysfs.AddUsbBus(7, "CP2112 SMBus Bridge on hidraw0");
    for (int bus : {0, 3, 7}) kernel.AddNode(sysfs.Node(bus), kWordsAndBlocks);
  }
  std::vector<int> Discover(I2cDevPorts& ports) {
    std::vector<int> found;
    for (int port = 1; port <= 99; ++port) {
      if (ports.ProbeComPort(port)) found.push_back(port);
    }
    return found;
  }

  FakeSysfs sysfs;
  FakeI2cDev kernel;
  I2cBusDirectory directory{sysfs.Sys(), sysfs.Dev()};
};

TEST_F(I2cDevPortsTest, TheDirectoryTellsUsbAdaptersFromAComputersOwnBuses) {
  const auto usb = directory.Find(7);
  ASSERT_TRUE(usb);
  EXPECT_TRUE(usb->usbAttached);
  EXPECT_EQ(usb->name, "CP2112 SMBus Bridge on hidraw0");
  EXPECT_EQ(usb->devicePath,
            "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:10C4:EA90.0001/i2c-7");
  EXPECT_FALSE(directory.Find(0)->usbAttached);
  EXPECT_FALSE(directory.Find(3)->usbAttached);
  EXPECT_FALSE(directory.Find(5));
  EXPECT_EQ(directory.DeviceNode(7), sysfs.Node(7));
  EXPECT_EQ(BusForPort(1), 0);
  EXPECT_EQ(BusForPort(99), 98);
  EXPECT_FALSE(BusForPort(0));
  EXPECT_FALSE(BusForPort(100));
  EXPECT_EQ(PortForBus(7), 8);
}

TEST_F(I2cDevPortsTest, OnlyUsbAdaptersAreListedAndTheHintNamesThem) {
  I2cDevPorts ports(kernel, directory, {});
  EXPECT_EQ(Discover(ports), std::vector{8});
  EXPECT_EQ(kernel.OpenDescriptors(), 0) << "each probe closes what it opened";
  EXPECT_EQ(kernel.Calls(Call::Open), 1) << "the computer's own buses are never opened";
  const QStringList lines = Hint(ports, {8});
  EXPECT_EQ(lines.value(0), QStringLiteral("8 = %1, CP2112 SMBus Bridge on hidraw0")
                                .arg(QString::fromStdString(sysfs.Node(7))));
  EXPECT_TRUE(lines.filter(QStringLiteral("SMBus I801 adapter at efa0: not USB")).size() == 1);
  EXPECT_TRUE(lines.filter(QStringLiteral("--all-buses")).size() == 2);
}

TEST_F(I2cDevPortsTest, AllBusesListsEveryBusAndMarksTheComputersOwn) {
  I2cDevPorts ports(kernel, directory, {true, false});
  EXPECT_EQ(Discover(ports), (std::vector{1, 4, 8}));
  const QStringList lines = Hint(ports, {1, 4, 8});
  ASSERT_EQ(lines.size(), 4);
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1 = ")));
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral("(not USB: a computer's own bus)")));
  EXPECT_FALSE(lines[2].contains(QStringLiteral("not USB")));
  EXPECT_TRUE(lines[3].contains(QStringLiteral("pelmor probe")))
      << "the way on when nothing answers";
}

TEST_F(I2cDevPortsTest, WithNothingListedTheHintSaysWhatToCheckOnLinux) {
  kernel.Fail(Call::Open, EACCES);
  I2cDevPorts ports(kernel, directory, {false, false, "/usr/share/doc/pelmor/README.md.gz"});
  EXPECT_TRUE(Discover(ports).empty());
  const QString hint = Hint(ports, {}).join(QLatin1Char('\n'));
  for (const char* advice : {"plugged in", "i2c-dev", "/dev/i2c-*", "pelmor --emulated",
                             "CP2112 SMBus Bridge on hidraw0: Permission denied",
                             "See \"No adapter listed\" in Help > ReadMe and in "
                             "/usr/share/doc/pelmor/README.md.gz"}) {
    EXPECT_TRUE(hint.contains(QLatin1String(advice))) << advice;
  }
  EXPECT_FALSE(hint.contains(QStringLiteral("Windows")));
}

TEST_F(I2cDevPortsTest, ANewDiscoveryForgetsTheLastOne) {
  kernel.Fail(Call::Open, EACCES);
  I2cDevPorts ports(kernel, directory, {});
  Discover(ports);
  EXPECT_EQ(Discover(ports), std::vector{8});
  EXPECT_TRUE(Hint(ports, {8}).filter(QStringLiteral("Permission denied")).isEmpty());
}

TEST_F(I2cDevPortsTest, TheHintNamesTheDriversThatHoldAddressesOnAListedBus) {
  sysfs.AddBoundClient(7, 0x0B, "sbs-battery");
  sysfs.AddBoundClient(0, 0x50, "ee1004");
  I2cDevPorts ports(kernel, directory, {});
  ASSERT_EQ(Discover(ports), std::vector{8});
  const QStringList lines = Hint(ports, {8});
  EXPECT_EQ(lines.value(1),
            "8: address 16 (7-bit 0x0b) is held by the kernel driver sbs-battery; free it with: "
            "echo 7-000b | sudo tee /sys/bus/i2c/drivers/sbs-battery/unbind");
  EXPECT_TRUE(lines.filter("ee1004").isEmpty()) << "a bus not listed";
}

TEST_F(I2cDevPortsTest, WithPecAnAdapterThatCannotCheckItIsMarkedUnusable) {
  I2cDevPorts ports(kernel, directory, {false, true});
  ASSERT_EQ(Discover(ports), std::vector{8});
  EXPECT_TRUE(Hint(ports, {8})
                  .value(0)
                  .contains(QStringLiteral("unusable: it cannot do Packet Error Checking")));
}

}  // namespace
