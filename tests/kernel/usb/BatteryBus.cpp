#include "tests/kernel/usb/BatteryBus.h"

BatteryBus::Outcome BatteryBus::Write(std::uint8_t address,
                                      const std::vector<std::uint8_t>& bytes) {
  if (address != kBatteryAddress) return Outcome::AddressNack;
  if (bytes.size() == 1) return Outcome::Done;  // a command byte alone selects nothing to keep
  if (bytes.size() != 3) return Outcome::DataNack;
  const auto word = static_cast<std::uint16_t>(bytes[1] | (bytes[2] << 8));
  return battery_.WriteWord(bytes[0], word) ? Outcome::Done : Outcome::DataNack;
}

BatteryBus::Outcome BatteryBus::WriteRead(std::uint8_t address,
                                          const std::vector<std::uint8_t>& written, int length,
                                          std::vector<std::uint8_t>& read) {
  if (address != kBatteryAddress) return Outcome::AddressNack;
  read.assign(static_cast<std::size_t>(length), 0xFF);
  if (written.empty()) return Outcome::Done;
  if (written.size() != 1) return Outcome::DataNack;
  const auto sent = battery_.Read(written[0], SmartBattery::Time{0});
  if (!sent) return Outcome::DataNack;
  for (std::size_t i = 0; i < sent->size() && i < read.size(); ++i) read[i] = (*sent)[i];
  return Outcome::Done;
}
