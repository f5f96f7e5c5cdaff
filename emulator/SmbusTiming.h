#pragma once

#include <chrono>

// Time a transfer takes on a 100 kHz SMBus: 10 microseconds a bit. Every byte
// is 9 bits (8 data bits and the acknowledge); start, repeated start and stop
// are one bit each.
namespace smbus_timing {

inline constexpr std::chrono::microseconds kBitTime{10};
inline constexpr int kByteBits = 9;

// Start, address byte, command byte, data bytes, stop.
constexpr std::chrono::microseconds WriteTime(int dataBytes) {
  return kBitTime * (1 + kByteBits * (2 + dataBytes) + 1);
}

// Start, address, command, repeated start, address, received bytes, stop.
constexpr std::chrono::microseconds ReadTime(int receivedBytes) {
  return kBitTime * (1 + kByteBits * 2 + 1 + kByteBits * (1 + receivedBytes) + 1);
}

// A battery that does not acknowledge ends the transfer after its address byte.
inline constexpr std::chrono::microseconds kAddressOnlyTime = kBitTime * (1 + kByteBits + 1);

}  // namespace smbus_timing
