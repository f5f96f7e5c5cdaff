#include "emulator/EmulatedSerialPorts.h"

#include <cstdio>

namespace {

std::string HexUpper(unsigned value) {
  char text[9];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

}  // namespace

EmulatedSerialPorts::EmulatedSerialPorts(std::uint8_t batteryAddressByte)
    : existing_{1}, withAdapter_{1}, batteryAddressByte_(batteryAddressByte) {}

void EmulatedSerialPorts::SetPorts(std::set<int> existing, std::set<int> withAdapter) {
  std::lock_guard lock(mutex_);
  existing_ = std::move(existing);
  withAdapter_ = std::move(withAdapter);
}

bool EmulatedSerialPorts::Exists(int portNumber) const {
  std::lock_guard lock(mutex_);
  return existing_.contains(portNumber);
}

bool EmulatedSerialPorts::HasAdapter(int portNumber) const {
  std::lock_guard lock(mutex_);
  return existing_.contains(portNumber) && withAdapter_.contains(portNumber);
}

bool EmulatedSerialPorts::Take(int portNumber) {
  std::lock_guard lock(mutex_);
  if (!existing_.contains(portNumber) || taken_.contains(portNumber)) return false;
  taken_.insert(portNumber);
  return true;
}

void EmulatedSerialPorts::Release(int portNumber) {
  std::lock_guard lock(mutex_);
  taken_.erase(portNumber);
}

bool EmulatedSerialPorts::ProbeComPort(int portNumber) {
  std::lock_guard lock(mutex_);
  ++probes_;
  return existing_.contains(portNumber) && !taken_.contains(portNumber);
}

int EmulatedSerialPorts::ProbeCount() const {
  std::lock_guard lock(mutex_);
  return probes_;
}

std::vector<std::string> EmulatedSerialPorts::HintLines(const std::vector<int>& foundPorts) {
  std::vector<std::string> lines;
  for (const int port : foundPorts) {
    const std::string com = "COM" + std::to_string(port);
    lines.push_back(HasAdapter(port) ? com + ": emulated adapter, emulated battery at " +
                                           HexUpper(batteryAddressByte_)
                                     : com + ": emulated port, no adapter");
  }
  if (foundPorts.empty()) lines.push_back("The emulated rig has no serial port now");
  lines.push_back("EMULATED RIG (pelmor --emulated): no real adapter or battery");
  return lines;
}
