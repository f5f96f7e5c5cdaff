#include "emulator/EmulatedBus.h"

#include <algorithm>

#include "emulator/SmartBattery.h"

namespace {

// A noisy bus breaks every fifth transfer that reaches the battery, and flips
// a bit in every third reply: deterministic, so that tests see it every time.
constexpr unsigned kBrokenTransferEvery = 5;
constexpr unsigned kFlippedReplyEvery = 3;

}  // namespace

EmulatedBus::EmulatedBus(EmulatedFault fault) : fault_(fault) {}

std::uint8_t EmulatedBus::BatteryAddressByteWith(EmulatedFault fault) {
  return fault == EmulatedFault::Elsewhere ? kElsewhereAddressByte : SmartBattery::kAddressByte;
}

EmulatedBus::Fate EmulatedBus::Transfer(std::uint8_t addressByte) {
  if (fault_ == EmulatedFault::NoPullUps) return Fate::TimedOut;
  if (fault_ == EmulatedFault::Asleep || addressByte != BatteryAddressByte()) {
    return Fate::NotAcknowledged;
  }
  if (fault_ != EmulatedFault::Noisy) return Fate::Acknowledged;
  std::lock_guard lock(mutex_);
  return ++transfers_ % kBrokenTransferEvery == 0 ? Fate::BusError : Fate::Acknowledged;
}

void EmulatedBus::Carry(std::vector<std::uint8_t>& reply, bool countedBlock) {
  if (fault_ == EmulatedFault::ShortBlocks && countedBlock)
    reply.resize(std::min<std::size_t>(1, reply.size()));
  if (fault_ != EmulatedFault::Noisy || reply.empty()) return;
  std::lock_guard lock(mutex_);
  // The word's high byte, or a block's first data byte: a change a reader sees.
  if (++replies_ % kFlippedReplyEvery == 0)
    reply[std::min<std::size_t>(1, reply.size() - 1)] ^= 0x10;
}
