#include <gtest/gtest.h>
#include <linux/i2c.h>

#include <cerrno>

#include "i2cdev/AdapterAbilities.h"
#include "i2cdev/KernelErrors.h"

namespace {

struct ErrorCase {
  int error;
  const char* adapter;
  AdapterEvent event;
};

TEST(KernelErrors, EachErrorBecomesItsEvent) {
  const ErrorCase cases[] = {
      {ENXIO, "i2c-tiny-usb at bus 001 device 004", AdapterEvent::SlaveNack},
      {EREMOTEIO, "MCP2221 usb-i2c bridge", AdapterEvent::SlaveNack},
      {ENODEV, "SMBus stub driver", AdapterEvent::SlaveNack},
      {ETIMEDOUT, "MCP2221 usb-i2c bridge", AdapterEvent::BusTimeout},
      {ETIMEDOUT, "FT260 usb-i2c bridge", AdapterEvent::BusTimeout},
      // hid-cp2112 reports a missing acknowledge as a time-out.
      {ETIMEDOUT, "CP2112 SMBus Bridge on hidraw0", AdapterEvent::SlaveNack},
      {EAGAIN, "MCP2221 usb-i2c bridge", AdapterEvent::ArbitrationLoss},
      {EBUSY, "MCP2221 usb-i2c bridge", AdapterEvent::BusError},
      {EIO, "CP2112 SMBus Bridge on hidraw0", AdapterEvent::BusError},
      // hid-ft260 reports a missing acknowledge, as every failed transfer, as EIO.
      {EIO, "FT260 usb-i2c bridge on hidraw1", AdapterEvent::SlaveNack},
      // hid-mcp2221 reports a read whose address is refused as EIO (the
      // chip's failed Get Data), a refused write as ENXIO.
      {EIO, "MCP2221 usb-i2c bridge", AdapterEvent::SlaveNack},
      {EPROTO, "FT260 usb-i2c bridge", AdapterEvent::BusError},
      {EBADMSG, "SMBus stub driver", AdapterEvent::BusError},
      {EOVERFLOW, "SMBus stub driver", AdapterEvent::BusError},
      {EINVAL, "SMBus stub driver", AdapterEvent::BusError},
      {EOPNOTSUPP, "SMBus stub driver", AdapterEvent::BusError},
  };
  for (const ErrorCase& c : cases) {
    EXPECT_EQ(EventForError(c.error, c.adapter), c.event) << c.error << " on " << c.adapter;
  }
}

// An error that a bridge's driver folds several faults into names them all;
// one that names a single fault adds nothing.
TEST(KernelErrors, AFoldedErrorNamesEveryFaultItMayBe) {
  const struct {
    int error;
    const char* adapter;
    const char* among;  // nullptr: nothing folded
  } cases[] = {
      {ETIMEDOUT, "CP2112 SMBus Bridge on hidraw0", "the driver gave up while the pack held"},
      {EIO, "CP2112 SMBus Bridge on hidraw0", "a lost arbitration"},
      {EIO, "FT260 usb-i2c bridge on hidraw1", "a bus held low (on a write)"},
      {EIO, "MCP2221 usb-i2c bridge", "a read whose address is not acknowledged"},
      {EIO, "MCP2221 usb-i2c bridge", "the driver gave up while the pack held the clock"},
      {ENXIO, "MCP2221 usb-i2c bridge", nullptr},
      {ETIMEDOUT, "FT260 usb-i2c bridge on hidraw1", nullptr},
      {EIO, "SMBus I801 adapter at efa0", nullptr},
  };
  for (const auto& c : cases) {
    const std::string alike = FaultsAlike(c.error, c.adapter);
    if (c.among == nullptr) {
      EXPECT_EQ(alike, "") << c.error << " on " << c.adapter;
    } else {
      EXPECT_NE(alike.find(c.among), std::string::npos) << c.error << " on " << c.adapter;
    }
  }
  EXPECT_TRUE(GivesUpOnAHeldClock("MCP2221 usb-i2c bridge"));
  EXPECT_FALSE(GivesUpOnAHeldClock("FT260 usb-i2c bridge on hidraw1"));
}

TEST(AdapterAbilities, BlockReadPrefersPlainI2cThenSmbusThenI2cBlock) {
  const unsigned long words = I2C_FUNC_SMBUS_WORD_DATA;
  EXPECT_EQ(AbilitiesFrom(words | I2C_FUNC_SMBUS_READ_BLOCK_DATA | I2C_FUNC_I2C).blockRead,
            BlockReadMethod::I2cTransfer);
  EXPECT_EQ(
      AbilitiesFrom(words | I2C_FUNC_SMBUS_READ_BLOCK_DATA | I2C_FUNC_SMBUS_I2C_BLOCK).blockRead,
      BlockReadMethod::SmbusBlock);
  EXPECT_EQ(AbilitiesFrom(words | I2C_FUNC_I2C | I2C_FUNC_SMBUS_I2C_BLOCK).blockRead,
            BlockReadMethod::I2cTransfer);
  EXPECT_EQ(AbilitiesFrom(words | I2C_FUNC_SMBUS_I2C_BLOCK).blockRead, BlockReadMethod::I2cBlock);
  EXPECT_EQ(AbilitiesFrom(words).blockRead, BlockReadMethod::None);
}

TEST(AdapterAbilities, AnAdapterIsUsableWithWordsAndABlockReadAndPecOnlyWhenItCanCheckIt) {
  const unsigned long cp2112 = I2C_FUNC_I2C | I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_BYTE_DATA |
                               I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA |
                               I2C_FUNC_SMBUS_I2C_BLOCK;
  EXPECT_EQ(UnusableBecause(AbilitiesFrom(cp2112), false), "");
  EXPECT_NE(UnusableBecause(AbilitiesFrom(cp2112), true).find("Packet Error Checking"),
            std::string::npos);
  EXPECT_EQ(UnusableBecause(AbilitiesFrom(I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL), true), "");
  EXPECT_NE(UnusableBecause(AbilitiesFrom(I2C_FUNC_SMBUS_I2C_BLOCK | I2C_FUNC_SMBUS_WORD_DATA |
                                          I2C_FUNC_SMBUS_PEC),
                            true),
            "");
  EXPECT_NE(UnusableBecause(AbilitiesFrom(I2C_FUNC_SMBUS_READ_WORD_DATA | I2C_FUNC_I2C), false),
            "");
  EXPECT_NE(UnusableBecause(AbilitiesFrom(I2C_FUNC_SMBUS_WORD_DATA), false), "");
}

}  // namespace
