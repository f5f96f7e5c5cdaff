#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "emulator/SmartBattery.h"
#include "link/adapter/ComPortProber.h"

// The PC's serial ports as the rig presents them: which exist, which have an
// adapter attached, and which another program holds open right now.
class EmulatedSerialPorts : public ComPortProber {
 public:
  // Default: one port, COM1, with the adapter attached. The hint names the
  // address byte the battery answers at.
  explicit EmulatedSerialPorts(std::uint8_t batteryAddressByte = SmartBattery::kAddressByte);

  void SetPorts(std::set<int> existing, std::set<int> withAdapter);
  bool Exists(int portNumber) const;
  bool HasAdapter(int portNumber) const;

  // Taking a port fails when it does not exist or is already taken.
  bool Take(int portNumber);
  void Release(int portNumber);

  bool ProbeComPort(int portNumber) override;
  // Names each port found as emulated, and always ends with a line saying
  // that the rig is no real adapter or battery.
  std::vector<std::string> HintLines(const std::vector<int>& foundPorts) override;
  int ProbeCount() const;

 private:
  mutable std::mutex mutex_;
  std::set<int> existing_;
  std::set<int> withAdapter_;
  std::set<int> taken_;
  int probes_ = 0;
  const std::uint8_t batteryAddressByte_;
};
