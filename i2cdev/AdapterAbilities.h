#pragma once

#include <string>
#include <string_view>

// How a counted block (the count byte, then the data) is read, best first.
// The plain I2C write-then-read comes first: USB bridges carry an SMBus Block
// Read their own way (hid-cp2112 asks for 32 bytes in all, the count
// included, and so loses a full block's last byte; hid-mcp2221 never starts
// the read at all), while each of them reads a plain I2C message whole.
enum class BlockReadMethod {
  None,
  I2cTransfer,  // a plain I2C read of the count, 32 data bytes and a PEC byte
  SmbusBlock,   // SMBus Block Read: the whole block, up to 32 data bytes
  I2cBlock,     // an I2C block read of 32 bytes: the count and up to 31 data bytes
};

// What an adapter's functionality mask (I2C_FUNCS) lets the library do, and
// what its driver is known to do with an SMBus Block Read.
struct AdapterAbilities {
  bool readWord = false;
  bool writeWord = false;
  bool pec = false;
  bool smbusBlock = false;     // SMBus Block Read, where a plain I2C read is refused
  int smbusBlockDataMax = 32;  // data bytes its SMBus Block Read brings at most
  bool i2cBlock = false;       // an I2C block read, the last resort for a counted block
  BlockReadMethod blockRead = BlockReadMethod::None;
};

// The adapter's name picks out drivers whose SMBus Block Read falls short:
// hid-cp2112 asks for 32 bytes in all, the count included, so at most 31 data
// bytes come; hid-ft260 reads as many bytes as the count byte that i2c-dev
// leaves at 0 says, so no data comes, and its SMBus Block Read is never used.
AdapterAbilities AbilitiesFrom(unsigned long functionality, std::string_view adapterName = {});

// Why the adapter cannot serve the program; empty when it can. With
// Packet Error Checking asked for, an adapter that cannot check it is refused
// rather than read without the check.
std::string UnusableBecause(const AdapterAbilities& abilities, bool pecWanted);
