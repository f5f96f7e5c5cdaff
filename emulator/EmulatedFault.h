#pragma once

#include <array>
#include <optional>
#include <string_view>

// A fault of the emulated rig's bus, chosen with --emulated=FAULT, for tests
// and demonstrations of what a probe must tell apart.
enum class EmulatedFault {
  None,
  Asleep,       // the pack acknowledges nothing, as in shipping mode; the bus is clean
  NoPullUps,    // every transfer times out
  Elsewhere,    // the battery answers at another address
  Noisy,        // transfers now and then end in a bus error, and replies lose bits
  ShortBlocks,  // block reads bring the count but not the data
};

struct EmulatedFaultName {
  EmulatedFault fault;
  std::string_view name;
};

inline constexpr std::array<EmulatedFaultName, 5> kEmulatedFaultNames{{
    {EmulatedFault::Asleep, "asleep"},
    {EmulatedFault::NoPullUps, "no-pullups"},
    {EmulatedFault::Elsewhere, "elsewhere"},
    {EmulatedFault::Noisy, "noisy"},
    {EmulatedFault::ShortBlocks, "short-blocks"},
}};

inline std::optional<EmulatedFault> EmulatedFaultNamed(std::string_view name) {
  for (const EmulatedFaultName& entry : kEmulatedFaultNames) {
    if (entry.name == name) return entry.fault;
  }
  return std::nullopt;
}
