#pragma once

#include <cstdint>

// An SMBus address in its two units. A device answers at a 7-bit address
// (0x00 to 0x7F; a Smart Battery at 0x0B). On the wire, in the adapter
// library's calls and in the battery address list, the address travels as
// the upper seven bits of a byte whose lowest bit says read (1) or write (0):
// a Smart Battery's address byte is 0x16. The two convert here and nowhere
// else.
struct SevenBitAddress {
  std::uint8_t value = 0;
  friend constexpr bool operator==(SevenBitAddress, SevenBitAddress) = default;
};

struct AddressByte {
  std::uint8_t value = 0;
  friend constexpr bool operator==(AddressByte, AddressByte) = default;
};

// The address byte of a write to the device: its read bit clear.
constexpr AddressByte AddressByteOf(SevenBitAddress address) {
  return {static_cast<std::uint8_t>(address.value << 1)};
}

// The byte of a read from the device: its read bit set.
constexpr AddressByte ReadAddressByteOf(SevenBitAddress address) {
  return {static_cast<std::uint8_t>(AddressByteOf(address).value | 1)};
}

// The device an address byte names, whichever its read bit.
constexpr SevenBitAddress SevenBitAddressOf(AddressByte byte) {
  return {static_cast<std::uint8_t>(byte.value >> 1)};
}

// Where the parts of a smart battery system answer.
namespace smart_battery_system {
inline constexpr SevenBitAddress kCharger{0x09};
inline constexpr SevenBitAddress kSelector{0x0A};
inline constexpr SevenBitAddress kBattery{0x0B};
}  // namespace smart_battery_system
