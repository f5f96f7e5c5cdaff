#pragma once

#include <cstdint>

// Bits of the battery's words that several parts of the program read.

// BatteryMode: capacities are counted in 10 mWh instead of mAh.
inline constexpr std::uint16_t kCapacityModeBit = 0x8000;

// BatteryStatus: the error code of the battery's last command.
inline constexpr std::uint16_t kErrorCodeMask = 0x0007;
