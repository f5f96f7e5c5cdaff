#pragma once

#include <cstdint>
#include <vector>

#include "emulator/SmartBattery.h"

// The SMBus behind an emulated adapter chip: the emulated rig's Smart Battery
// at 7-bit address 0x0B, its clock held at the rig's start so that every read
// gives the values `pelmor --emulated` starts with. Any other address does not
// acknowledge.
class BatteryBus {
 public:
  enum class Outcome { Done, AddressNack, DataNack };

  static constexpr std::uint8_t kBatteryAddress = SmartBattery::kAddressByte >> 1;

  bool Acknowledges(std::uint8_t address) const { return address == kBatteryAddress; }
  // START, address and write, the bytes written (command first), STOP.
  Outcome Write(std::uint8_t address, const std::vector<std::uint8_t>& bytes);
  // START, address and write, the bytes written, repeated START, address and
  // read, `length` bytes read, STOP. With nothing written, a plain read. A
  // read past what the battery sends gets the idle bus's 0xFF.
  Outcome WriteRead(std::uint8_t address, const std::vector<std::uint8_t>& written, int length,
                    std::vector<std::uint8_t>& read);

 private:
  SmartBattery battery_;
};
