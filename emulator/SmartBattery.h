#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "emulator/EmulatedPack.h"
#include "link/adapter/BusAddress.h"

// A 3-cell lithium-ion Smart Battery on the bus. It discharges at a steady
// rate from the moment the rig starts (or, in a pile, from the moment it is
// laid on the bench); every reading is computed from the time elapsed, so
// values stay consistent with each other at any moment. The five writable
// registers keep what is written. Of the optional registers it has
// CellVoltage1 to CellVoltage3 and StateOfHealth.
class SmartBattery {
 public:
  using Time = std::chrono::microseconds;

  // A pile's packs come in the order of EmulatedPack, each on the bus for
  // kPileStay, then none for kPileGap before the next; after the last, the
  // first comes again.
  static constexpr std::chrono::seconds kPileStay{20};
  static constexpr std::chrono::seconds kPileGap{5};

  explicit SmartBattery(EmulatedPack pack = EmulatedPack::Standard);

  static constexpr std::uint8_t kAddressByte = AddressByteOf(smart_battery_system::kBattery).value;

  static constexpr std::uint16_t kCapacityModeBit = 0x8000;
  static constexpr std::uint16_t kStatusInitialized = 0x0080;
  static constexpr std::uint16_t kStatusDischarging = 0x0040;
  static constexpr std::uint16_t kStatusFullyDischarged = 0x0010;
  static constexpr std::uint16_t kStatusRemainingTimeAlarm = 0x0100;
  static constexpr std::uint16_t kStatusRemainingCapacityAlarm = 0x0200;
  static constexpr std::uint16_t kStatusTerminateDischargeAlarm = 0x0800;
  static constexpr std::uint16_t kStatusOverTempAlarm = 0x1000;
  static constexpr std::uint16_t kConditionFlag = 0x0080;

  // The bytes the battery sends for a read of this command: low and high byte
  // for a word register, the count and the bytes for a block register.
  // Nothing for a command the battery does not implement (no acknowledge).
  std::optional<std::vector<std::uint8_t>> Read(std::uint8_t command, Time now) const;

  // False (no acknowledge) for a register that is not writable.
  bool WriteWord(std::uint8_t command, std::uint16_t value);

  std::optional<std::uint16_t> ReadWord(std::uint8_t command, Time now) const;

  // For tests that must tell every register's value apart: each word register
  // then answers 0x1000 plus its command code, each block register the text
  // "R" and its code in hexadecimal, whatever was written.
  void SetMarkerValues(bool on);
  static std::uint16_t MarkerWord(std::uint8_t command) { return 0x1000 + command; }

 private:
  struct Writable {
    std::uint16_t manufacturerAccess = 0x0000;
    std::uint16_t remainingCapacityAlarm = 440;
    std::uint16_t remainingTimeAlarm = 10;
    std::uint16_t batteryMode = 0x0000;
    std::int16_t atRate = 0;
  };

  // The pack on the bus at this time and how long it has been there; none
  // between two packs of a pile.
  struct Present {
    EmulatedPack pack;
    Time since;
  };
  std::optional<Present> PackAt(Time now) const;
  std::optional<std::uint16_t> WordAt(std::uint8_t command, const Present& present,
                                      const Writable& w) const;

  const EmulatedPack pack_;
  mutable std::mutex mutex_;
  Writable writable_;
  bool markerValues_ = false;
};
