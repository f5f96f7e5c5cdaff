#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "emulator/EmulatedFault.h"

// The wires between the emulated adapter and the devices on its bus, and what
// a fault chosen with --emulated=FAULT does to them. Every transfer, from the
// adapter library or from a probe, asks the bus how it ends.
class EmulatedBus {
 public:
  enum class Fate { Acknowledged, NotAcknowledged, TimedOut, BusError };

  // The battery's address byte: 0x16, or 0x1C with the battery elsewhere.
  static constexpr std::uint8_t kElsewhereAddressByte = 0x1C;
  // SMBus devices give up a transfer whose clock is held low for 25 ms or more.
  static constexpr std::chrono::milliseconds kTimeoutTime{25};

  explicit EmulatedBus(EmulatedFault fault = EmulatedFault::None);

  EmulatedFault Fault() const { return fault_; }
  std::uint8_t BatteryAddressByte() const { return BatteryAddressByteWith(fault_); }
  static std::uint8_t BatteryAddressByteWith(EmulatedFault fault);
  // How a transfer to this address byte ends.
  Fate Transfer(std::uint8_t addressByte);
  // A reply on its way back to the adapter: on a noisy bus it now and then
  // loses a bit; a counted block comes back without its data where block
  // reads fall short.
  void Carry(std::vector<std::uint8_t>& reply, bool countedBlock);

 private:
  const EmulatedFault fault_;
  std::mutex mutex_;
  unsigned transfers_ = 0;  // that reached the battery, for the noise's rhythm
  unsigned replies_ = 0;
};
