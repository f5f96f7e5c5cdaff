#include "emulator/SmartBattery.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace {

constexpr double kDesignCapacityMah = 4400;
constexpr double kDesignVoltageMv = 10800;
constexpr double kDischargeCurrentMa = 1500;
constexpr int kCells = 3;
constexpr double kRoomTemperatureDeciKelvin = 2965;  // 23.35 degrees Celsius
constexpr std::uint16_t kNoTime = 65535;

constexpr std::string_view kManufacturerName = "Norvale Cells";
constexpr std::string_view kDeviceName = "NV3S4400";
constexpr std::string_view kDeviceChemistry = "LION";
constexpr std::uint8_t kManufacturerData[] = {0x4E, 0x56, 0x01, 0x02, 0x10, 0x00, 0xA5,
                                              0x5A, 0x03, 0xE8, 0x12, 0x34, 0xFF, 0x00};

// Packed date: day in bits 0-4, month in 5-8, year since 1980 in 9-15.
constexpr std::uint16_t kManufactureDate = ((2025 - 1980) << 9) | (3 << 5) | 14;

// What sets one emulated pack apart from the others.
struct PackTraits {
  double fullChargeMah;
  double startMah;  // charge left when it comes on the bus
  std::uint16_t cycleCount;
  std::uint16_t serialNumber;
  double lowCellMv;              // how far its third cell sits below the other two
  double overheatingDeciKelvin;  // above what its discharge warms it by
  std::uint16_t alarms;          // BatteryStatus bits it holds set
  std::uint16_t modeBits;        // BatteryMode bits it sets itself
};

PackTraits TraitsOf(EmulatedPack pack) {
  switch (pack) {
    case EmulatedPack::Worn:
      return {3080, 2895, 812, 20812, 0, 0, 0, 0};
    case EmulatedPack::Unbalanced:
      return {4200, 3950, 157, 30157, 120, 0, 0, 0};
    case EmulatedPack::Alarm:
      return {4200, 3950, 95, 40095, 0, 350, SmartBattery::kStatusOverTempAlarm, 0};
    case EmulatedPack::Conditioning:
      return {4200, 3950, 230, 50230, 0, 0, 0, SmartBattery::kConditionFlag};
    case EmulatedPack::Standard:
    case EmulatedPack::Pile:
      break;
  }
  return {4200, 3950, 42, 12345, 0, 0, 0, 0};
}

struct PackState {
  double remainingMah;
  double currentMa;  // negative while discharging
  double cellMillivolts;
  double millivolts;
  double deciKelvin;
};

PackState StateAt(const PackTraits& traits, SmartBattery::Time since) {
  const double hours = std::chrono::duration<double, std::ratio<3600>>(since).count();
  const double remaining = std::max(0.0, traits.startMah - kDischargeCurrentMa * hours);
  const double stateOfCharge = remaining / traits.fullChargeMah;
  const double current = remaining > 0 ? -kDischargeCurrentMa : 0.0;
  // A lithium-ion cell falls from about 4.15 V full to 3.0 V empty under load.
  const double cellMillivolts = 3000 + 1150 * std::pow(stateOfCharge, 0.8);
  const double warming = remaining > 0 ? 150 * std::min(1.0, hours) : 150;
  return {remaining, current, cellMillivolts, kCells * cellMillivolts - traits.lowCellMv,
          kRoomTemperatureDeciKelvin + warming + traits.overheatingDeciKelvin};
}

std::uint16_t Clamp16(double value) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 65535L));
}

std::uint16_t Signed16(double value) {
  return static_cast<std::uint16_t>(
      static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L)));
}

std::uint16_t Minutes(double mah, double ma) {
  if (ma <= 0) return kNoTime;
  return Clamp16(std::min(mah / ma * 60.0, 65534.0));
}

std::vector<std::uint8_t> Block(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(size + 1);
  bytes[0] = static_cast<std::uint8_t>(size);
  std::copy_n(data, size, bytes.begin() + 1);
  return bytes;
}

std::vector<std::uint8_t> Block(std::string_view text) {
  return Block(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace

SmartBattery::SmartBattery(EmulatedPack pack) : pack_(pack) {}

std::optional<SmartBattery::Present> SmartBattery::PackAt(Time now) const {
  if (pack_ != EmulatedPack::Pile) return Present{pack_, now};
  constexpr std::array kPile{EmulatedPack::Standard, EmulatedPack::Worn, EmulatedPack::Unbalanced,
                             EmulatedPack::Alarm, EmulatedPack::Conditioning};
  const Time slot = kPileStay + kPileGap;
  const auto turn = static_cast<std::size_t>(now / slot);
  const Time since = now % slot;
  if (since >= kPileStay) return std::nullopt;
  return Present{kPile[turn % kPile.size()], since};
}

void SmartBattery::SetMarkerValues(bool on) {
  std::lock_guard lock(mutex_);
  markerValues_ = on;
}

std::optional<std::vector<std::uint8_t>> SmartBattery::Read(std::uint8_t command, Time now) const {
  bool markers = false;
  {
    std::lock_guard lock(mutex_);
    markers = markerValues_;
  }
  if (markers && command >= 0x20 && command <= 0x23) {
    const char marker[] = {'R', "0123456789ABCDEF"[command >> 4],
                           "0123456789ABCDEF"[command & 0xF]};
    return Block(std::string_view(marker, sizeof marker));
  }
  if (!PackAt(now)) return std::nullopt;
  switch (command) {
    case 0x20:
      return Block(kManufacturerName);
    case 0x21:
      return Block(kDeviceName);
    case 0x22:
      return Block(kDeviceChemistry);
    case 0x23:
      return Block(kManufacturerData, sizeof kManufacturerData);
    default:
      break;
  }
  const auto word = ReadWord(command, now);
  if (!word) return std::nullopt;
  return std::vector<std::uint8_t>{static_cast<std::uint8_t>(*word & 0xFF),
                                   static_cast<std::uint8_t>(*word >> 8)};
}

bool SmartBattery::WriteWord(std::uint8_t command, std::uint16_t value) {
  std::lock_guard lock(mutex_);
  switch (command) {
    case 0x00:
      writable_.manufacturerAccess = value;
      return true;
    case 0x01:
      writable_.remainingCapacityAlarm = value;
      return true;
    case 0x02:
      writable_.remainingTimeAlarm = value;
      return true;
    case 0x03:
      writable_.batteryMode = value;
      return true;
    case 0x04:
      writable_.atRate = static_cast<std::int16_t>(value);
      return true;
    default:
      return false;
  }
}

std::optional<std::uint16_t> SmartBattery::ReadWord(std::uint8_t command, Time now) const {
  Writable writable;
  {
    std::lock_guard lock(mutex_);
    writable = writable_;
    if (markerValues_ && command <= 0x1C) return MarkerWord(command);
  }
  const std::optional<Present> present = PackAt(now);
  if (!present) return std::nullopt;
  return WordAt(command, *present, writable);
}

std::optional<std::uint16_t> SmartBattery::WordAt(std::uint8_t command, const Present& present,
                                                  const Writable& w) const {
  const PackTraits traits = TraitsOf(present.pack);
  const PackState pack = StateAt(traits, present.since);
  const double fullChargeMah = traits.fullChargeMah;
  const std::uint16_t batteryMode = w.batteryMode | traits.modeBits;
  const bool powerMode = (batteryMode & kCapacityModeBit) != 0;
  // In power mode capacities are reported in units of 10 mWh at the design voltage.
  const auto capacity = [&](double mah) {
    return Clamp16(powerMode ? mah * kDesignVoltageMv / 10000.0 : mah);
  };
  // AtRate is 10 mW units in power mode; turn it into milliamps at the pack voltage.
  const double atRateMa = powerMode ? w.atRate * 10000.0 / pack.millivolts : w.atRate;
  const double dischargeMa = -pack.currentMa;
  const double toFullMah = fullChargeMah - pack.remainingMah;

  std::uint16_t status = kStatusInitialized | traits.alarms;
  if (dischargeMa > 0) status |= kStatusDischarging;
  if (pack.remainingMah <= 0) status |= kStatusFullyDischarged | kStatusTerminateDischargeAlarm;
  if (capacity(pack.remainingMah) < w.remainingCapacityAlarm) {
    status |= kStatusRemainingCapacityAlarm;
  }
  if (Minutes(pack.remainingMah, dischargeMa) < w.remainingTimeAlarm) {
    status |= kStatusRemainingTimeAlarm;
  }

  switch (command) {
    case 0x00:
      return w.manufacturerAccess;
    case 0x01:
      return w.remainingCapacityAlarm;
    case 0x02:
      return w.remainingTimeAlarm;
    case 0x03:
      return batteryMode;
    case 0x04:
      return static_cast<std::uint16_t>(w.atRate);
    case 0x05:  // AtRateTimeToFull
      return atRateMa > 0 ? Minutes(toFullMah, atRateMa) : kNoTime;
    case 0x06:  // AtRateTimeToEmpty
      return atRateMa < 0 ? Minutes(pack.remainingMah, -atRateMa) : kNoTime;
    case 0x07:  // AtRateOK: can the pack deliver AtRate for 10 seconds?
      return static_cast<std::uint16_t>(atRateMa >= 0 ||
                                        pack.remainingMah * 3600.0 / -atRateMa >= 10);
    case 0x08:
      return Clamp16(pack.deciKelvin);
    case 0x09:
      return Clamp16(pack.millivolts);
    case 0x0A:
    case 0x0B:
      return Signed16(pack.currentMa);
    case 0x0C:
      return 2;
    case 0x0D:
      return Clamp16(100.0 * pack.remainingMah / fullChargeMah);
    case 0x0E:
      return Clamp16(100.0 * pack.remainingMah / kDesignCapacityMah);
    case 0x0F:
      return capacity(pack.remainingMah);
    case 0x10:
      return capacity(fullChargeMah);
    case 0x11:
    case 0x12:
      return Minutes(pack.remainingMah, dischargeMa);
    case 0x13:  // AveTimeToFull: not charging
      return kNoTime;
    case 0x14:
      return 2000;
    case 0x15:
      return 12600;
    case 0x16:
      return status;
    case 0x17:
      return traits.cycleCount;
    case 0x18:
      return capacity(kDesignCapacityMah);
    case 0x19:
      return Clamp16(kDesignVoltageMv);
    case 0x1A:  // SpecificationInfo: revision 1, version 1.0, no scaling
      return 0x0011;
    case 0x1B:
      return kManufactureDate;
    case 0x1C:
      return traits.serialNumber;
    // Optional registers: the three cells' voltages (a fourth cell's, 0x3C,
    // the pack does not have) and the state of health.
    case 0x3D:
      return Clamp16(pack.cellMillivolts - traits.lowCellMv);
    case 0x3E:
    case 0x3F:
      return Clamp16(pack.cellMillivolts);
    case 0x4F:
      return Clamp16(100.0 * fullChargeMah / kDesignCapacityMah);
    default:
      return std::nullopt;
  }
}
