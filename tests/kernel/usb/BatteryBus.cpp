#include "tests/kernel/usb/BatteryBus.h"

#include <algorithm>
#include <fstream>

BatteryBus::BatteryBus(std::string conditionFile) : conditionFile_(std::move(conditionFile)) {}

void BatteryBus::ReadCondition() {
  stretchMs_ = 0;
  fault_ = Fault::None;
  std::ifstream file(conditionFile_);
  std::string word;
  while (file >> word) {
    if (word == "stretch" && file >> stretchMs_) {
      stretchMs_ = std::clamp(stretchMs_, 0, kLongestStretchMs);
    } else if (word == "fault" && file >> word) {
      if (word == "data-nack") fault_ = Fault::DataNack;
      if (word == "arbitration") fault_ = Fault::ArbitrationLost;
      if (word == "held") fault_ = Fault::HeldLow;
    }
  }
}

BatteryBus::Outcome BatteryBus::Start(std::uint8_t address, const std::vector<std::uint8_t>& bytes,
                                      int clockHz) {
  const Outcome faulted = Faulted(address, bytes.empty() ? 0 : bytes[0], !bytes.empty());
  Take(1 + static_cast<int>(bytes.size()), clockHz, false);
  return faulted;
}

void BatteryBus::Take(int bytes, int clockHz, bool stretched) {
  const auto bits = std::chrono::microseconds(10LL * bytes * 1000000 / std::max(clockHz, 1000));
  ends_ = Clock::now() + bits + std::chrono::milliseconds(stretched ? stretchMs_ : 0);
}

// A fault the scenario chose, as the chip meets it: a held bus lets no START
// out; another master wins the bus at the address; the pack refuses one
// command byte, Voltage's.
BatteryBus::Outcome BatteryBus::Faulted(std::uint8_t address, std::uint8_t command,
                                        bool namesRegister) {
  ReadCondition();
  if (fault_ == Fault::HeldLow) return Outcome::HeldLow;
  if (fault_ == Fault::ArbitrationLost) return Outcome::ArbitrationLost;
  if (address != kBatteryAddress) return Outcome::AddressNack;
  if (fault_ == Fault::DataNack && namesRegister && command == kRefusedCommand) {
    return Outcome::DataNack;
  }
  return Outcome::Done;
}

BatteryBus::Outcome BatteryBus::Write(std::uint8_t address, const std::vector<std::uint8_t>& bytes,
                                      int clockHz) {
  const Outcome faulted = Faulted(address, bytes.empty() ? 0 : bytes[0], !bytes.empty());
  Take(faulted == Outcome::Done ? 1 + static_cast<int>(bytes.size()) : 1, clockHz,
       faulted == Outcome::Done && bytes.size() > 1);
  if (faulted != Outcome::Done) return faulted;
  if (bytes.size() == 1) return Outcome::Done;  // a command byte alone selects nothing to keep
  if (bytes.size() != 3) return Outcome::DataNack;
  const auto word = static_cast<std::uint16_t>(bytes[1] | (bytes[2] << 8));
  return battery_.WriteWord(bytes[0], word) ? Outcome::Done : Outcome::DataNack;
}

BatteryBus::Outcome BatteryBus::WriteRead(std::uint8_t address,
                                          const std::vector<std::uint8_t>& written, int length,
                                          std::vector<std::uint8_t>& read, int clockHz) {
  const Outcome faulted = Faulted(address, written.empty() ? 0 : written[0], !written.empty());
  const int onTheWire = static_cast<int>(written.size()) + (written.empty() ? 1 : 2) + length;
  Take(faulted == Outcome::Done ? onTheWire : 1, clockHz,
       faulted == Outcome::Done && !written.empty());
  if (faulted != Outcome::Done) return faulted;
  read.assign(static_cast<std::size_t>(length), 0xFF);
  if (written.empty()) return Outcome::Done;
  if (written.size() != 1) return Outcome::DataNack;
  const auto sent = battery_.Read(written[0], SmartBattery::Time{0});
  if (!sent) return Outcome::DataNack;
  for (std::size_t i = 0; i < sent->size() && i < read.size(); ++i) read[i] = (*sent)[i];
  return Outcome::Done;
}
