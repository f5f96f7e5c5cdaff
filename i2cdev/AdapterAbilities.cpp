#include "i2cdev/AdapterAbilities.h"

#include <linux/i2c.h>

AdapterAbilities AbilitiesFrom(unsigned long functionality, std::string_view adapterName) {
  const auto named = [adapterName](std::string_view prefix) {
    return adapterName.substr(0, prefix.size()) == prefix;
  };
  AdapterAbilities abilities;
  abilities.readWord = (functionality & I2C_FUNC_SMBUS_READ_WORD_DATA) != 0;
  abilities.writeWord = (functionality & I2C_FUNC_SMBUS_WRITE_WORD_DATA) != 0;
  abilities.pec = (functionality & I2C_FUNC_SMBUS_PEC) != 0;
  abilities.smbusBlock = (functionality & I2C_FUNC_SMBUS_READ_BLOCK_DATA) != 0 && !named("FT260");
  if (named("CP2112")) abilities.smbusBlockDataMax = 31;
  abilities.i2cBlock = (functionality & I2C_FUNC_SMBUS_READ_I2C_BLOCK) != 0;
  if (functionality & I2C_FUNC_I2C) {
    abilities.blockRead = BlockReadMethod::I2cTransfer;
  } else if (abilities.smbusBlock) {
    abilities.blockRead = BlockReadMethod::SmbusBlock;
  } else if (abilities.i2cBlock) {
    abilities.blockRead = BlockReadMethod::I2cBlock;
  }
  return abilities;
}

std::string UnusableBecause(const AdapterAbilities& abilities, bool pecWanted) {
  if (!abilities.readWord || !abilities.writeWord) {
    return "it cannot do SMBus Read Word and Write Word";
  }
  if (abilities.blockRead == BlockReadMethod::None) return "it cannot read a counted block";
  if (pecWanted && !abilities.pec) return "it cannot do Packet Error Checking (--pec)";
  if (pecWanted && abilities.blockRead == BlockReadMethod::I2cBlock) {
    return "it cannot check Packet Error Checking on block reads (--pec)";
  }
  return {};
}
