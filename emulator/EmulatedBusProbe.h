#pragma once

#include "emulator/EmulatedBus.h"
#include "emulator/EmulatedSerialPorts.h"
#include "link/adapter/BusProbe.h"

// The probe's view of the emulated rig: its serial ports with the adapter on
// COM1, a driver that offers every SMBus transfer, and touches that take their
// time on the 100 kHz bus (a time-out its 25 ms). No kernel driver holds an
// address here.
class EmulatedBusProbe : public BusProbe {
 public:
  EmulatedBusProbe(EmulatedSerialPorts& ports, EmulatedBus& bus);

  std::vector<ProbedAdapter> Adapters() override;
  BusClock ClockOf(int port) override;
  std::string Open(int port) override;
  void Close() override;
  std::optional<AddressHolder> HolderOf(std::uint8_t address) override;
  ProbeAnswer Touch(std::uint8_t address) override;

 private:
  EmulatedSerialPorts& ports_;
  EmulatedBus& bus_;
  bool open_ = false;
};
