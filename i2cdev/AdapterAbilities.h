#pragma once

#include <string>

// How a counted block (the count byte, then the data) is read, best first.
enum class BlockReadMethod {
  None,
  SmbusBlock,   // SMBus Block Read: the whole block, up to 32 data bytes
  I2cTransfer,  // a plain I2C read of the count, 32 data bytes and a PEC byte
  I2cBlock,     // an I2C block read of 32 bytes: the count and up to 31 data bytes
};

// What an adapter's functionality mask (I2C_FUNCS) lets the library do.
struct AdapterAbilities {
  bool readWord = false;
  bool writeWord = false;
  bool pec = false;
  bool i2cBlock = false;  // an I2C block read, the last resort for a counted block
  BlockReadMethod blockRead = BlockReadMethod::None;
};

AdapterAbilities AbilitiesFrom(unsigned long functionality);

// Why the adapter cannot serve the program; empty when it can. With
// Packet Error Checking asked for, an adapter that cannot check it is refused
// rather than read without the check.
std::string UnusableBecause(const AdapterAbilities& abilities, bool pecWanted);
