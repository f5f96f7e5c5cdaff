// The probe over a fake kernel and sysfs: the chipset's SMBus as i2c-0 and a
// CP2112 on USB as i2c-7 with a battery at 0x0B.
#include <gtest/gtest.h>

#include "i2cdev/I2cBusDirectory.h"
#include "i2cdev/I2cDevBusProbe.h"
#include "tests/i2cdev/FakeI2cDev.h"

namespace {

using Call = FakeI2cDev::Call;

constexpr unsigned long kSmbusReadFunctions =
    I2C_FUNC_I2C | I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA;

class I2cDevBusProbeTest : public ::testing::Test {
 protected:
  I2cDevBusProbeTest() {
    sysfs.AddMotherboardBus(0, "SMBus I801 adapter at efa0");
    sysfs.AddUsbBus(7, "CP2112 SMBus Bridge on hidraw0");
    kernel.AddNode(sysfs.Node(0), I2C_FUNC_SMBUS_EMUL);
    AddCp2112(kSmbusReadFunctions);
  }
  void AddCp2112(unsigned long functionality) {
    FakeI2cDev::Node node;
    node.functionality = functionality;
    node.silentAddressError = ETIMEDOUT;  // as hid-cp2112 reports a missing acknowledge
    node.chips[0x0B].words[0x09] = 12285;
    kernel.AddNode(sysfs.Node(7), node);
  }

  FakeSysfs sysfs;
  FakeI2cDev kernel;
  I2cBusDirectory directory{sysfs.Sys(), sysfs.Dev()};
  I2cDevBusProbe probe{kernel, directory, {}};
};

TEST_F(I2cDevBusProbeTest, AdaptersComeWithThePortListsReasonsAndTheirDriversFunctions) {
  const std::vector<ProbedAdapter> adapters = probe.Adapters();
  ASSERT_EQ(adapters.size(), 2u);
  EXPECT_EQ(adapters[0].port, 1);
  EXPECT_EQ(adapters[0].leftOut, "not USB, left out (pelmor --all-buses lists it)");
  EXPECT_FALSE(adapters[0].functions) << "a computer's own bus is never opened";
  EXPECT_EQ(adapters[1].port, 8);
  EXPECT_EQ(adapters[1].device, sysfs.Node(7));
  EXPECT_EQ(adapters[1].attachment, "USB");
  EXPECT_TRUE(adapters[1].leftOut.empty());
  ASSERT_TRUE(adapters[1].functions);
  EXPECT_TRUE(adapters[1].functions->receiveByte);
  EXPECT_EQ(adapters[1].functions->blockRead, "plain I2C write-then-read");
  EXPECT_FALSE(adapters[1].functions->pec);
  EXPECT_NE(adapters[1].nackAlike.find("a bus held low"), std::string::npos)
      << "hid-cp2112 reports both as ETIMEDOUT";
  EXPECT_TRUE(adapters[1].givesUpOnAHeldClock) << "it asks for a transfer's end ten times";
  EXPECT_EQ(kernel.OpenDescriptors(), 0);
  EXPECT_NE(probe.Open(1).find("--all-buses"), std::string::npos);
}

TEST_F(I2cDevBusProbeTest, ATouchAcknowledgesWhereAChipIsAndIsRefusedWhereADriverHoldsIt) {
  ASSERT_EQ(probe.Open(8), "");
  EXPECT_EQ(probe.Touch(0x0B), ProbeAnswer::Acknowledged);
  EXPECT_EQ(probe.Touch(0x0C), ProbeAnswer::NotAcknowledged);
  EXPECT_EQ(kernel.Calls(Call::Rdwr), 0) << "SMBus Receive Byte where the driver has it";
  EXPECT_FALSE(probe.HolderOf(0x0B));

  sysfs.AddBoundClient(7, 0x0B, "sbs-battery");
  kernel.Fail(Call::SetSlave, EBUSY);
  EXPECT_EQ(probe.Touch(0x0B), ProbeAnswer::Held);
  const std::optional<AddressHolder> holder = probe.HolderOf(0x0B);
  ASSERT_TRUE(holder);
  EXPECT_EQ(holder->driver, "sbs-battery");
  EXPECT_EQ(holder->release, (std::vector<std::string>{
                                 "echo 7-000b | sudo tee /sys/bus/i2c/drivers/sbs-battery/unbind",
                                 "echo 0x0b | sudo tee /sys/bus/i2c/devices/i2c-7/delete_device"}));
  probe.Close();
  EXPECT_EQ(kernel.OpenDescriptors(), 0);
}

TEST_F(I2cDevBusProbeTest, WithoutReceiveByteAOneBytePlainReadTouches) {
  AddCp2112(I2C_FUNC_I2C | I2C_FUNC_SMBUS_WORD_DATA);
  ASSERT_EQ(probe.Open(8), "");
  EXPECT_EQ(probe.Touch(0x0B), ProbeAnswer::Acknowledged);
  EXPECT_EQ(probe.Touch(0x50), ProbeAnswer::NotAcknowledged);
  EXPECT_EQ(kernel.Calls(Call::Rdwr), 2);
  EXPECT_EQ(kernel.Calls(Call::Smbus), 0);
}

}  // namespace
