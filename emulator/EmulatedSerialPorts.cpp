#include "EmulatedSerialPorts.h"

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

QStringList EmulatedSerialPorts::HintLines(const std::vector<int>& foundPorts) {
  QStringList lines;
  for (const int port : foundPorts) {
    lines << (HasAdapter(port) ? QStringLiteral("COM%1: emulated adapter, emulated battery at %2")
                                     .arg(port)
                                     .arg(QString::number(batteryAddressByte_, 16).toUpper())
                               : QStringLiteral("COM%1: emulated port, no adapter").arg(port));
  }
  if (foundPorts.empty()) lines << QStringLiteral("The emulated rig has no serial port now");
  lines << QStringLiteral("EMULATED RIG (pelmor --emulated): no real adapter or battery");
  return lines;
}
