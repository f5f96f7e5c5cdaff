#pragma once

#include <array>
#include <optional>
#include <string_view>

// Which pack the emulated rig has on its bus, chosen with --emulated=PACK, so
// that every verdict of `pelmor report` can be shown without hardware. Each
// pack has a serial number of its own.
enum class EmulatedPack {
  Standard,      // a sound pack, a few weeks old
  Worn,          // 70 % of its design capacity left after 812 cycles
  Unbalanced,    // its third cell sits 120 mV below the other two
  Alarm,         // running hot, with its over-temperature alarm set
  Conditioning,  // asking for a conditioning cycle
  Pile,          // the packs above laid on the bench one after another
};

struct EmulatedPackName {
  EmulatedPack pack;
  std::string_view name;
};

inline constexpr std::array<EmulatedPackName, 5> kEmulatedPackNames{{
    {EmulatedPack::Worn, "worn"},
    {EmulatedPack::Unbalanced, "unbalanced"},
    {EmulatedPack::Alarm, "alarm"},
    {EmulatedPack::Conditioning, "conditioning"},
    {EmulatedPack::Pile, "pile"},
}};

inline std::optional<EmulatedPack> EmulatedPackNamed(std::string_view name) {
  for (const EmulatedPackName& entry : kEmulatedPackNames) {
    if (entry.name == name) return entry.pack;
  }
  return std::nullopt;
}
