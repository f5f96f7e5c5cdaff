#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/SmartBattery.h"

// The SMBus behind an emulated adapter chip: the emulated rig's Smart Battery
// at 7-bit address 0x0B, its clock held at the rig's start so that every read
// gives the values `pelmor --emulated` starts with. Any other address does not
// acknowledge.
//
// Every transfer takes its time on the wire: about ten bit times a byte at the
// clock the chip runs, plus the pack's clock stretch on a transfer that names
// a register (it holds SCL low while it fetches or stores the value). A
// scenario sets the stretch and a fault by writing a line such as
// "stretch 15 fault held" to the file named by USB_GADGET_BUS; it is read
// again for every transfer.
class BatteryBus {
 public:
  enum class Outcome { Done, AddressNack, DataNack, ArbitrationLost, HeldLow };
  enum class Fault { None, DataNack, ArbitrationLost, HeldLow };
  using Clock = std::chrono::steady_clock;

  static constexpr std::uint8_t kBatteryAddress = SmartBattery::kAddressByte >> 1;
  // A stretch is bounded whatever a scenario writes.
  static constexpr int kLongestStretchMs = 100;

  explicit BatteryBus(std::string conditionFile = {});

  // START, address and write, the bytes written, no STOP: the bus is kept for
  // a repeated START.
  Outcome Start(std::uint8_t address, const std::vector<std::uint8_t>& bytes, int clockHz);
  // START, address and write, the bytes written (command first), STOP.
  Outcome Write(std::uint8_t address, const std::vector<std::uint8_t>& bytes, int clockHz);
  // START, address and write, the bytes written, repeated START, address and
  // read, `length` bytes read, STOP. With nothing written, a plain read. A
  // read past what the battery sends gets the idle bus's 0xFF.
  Outcome WriteRead(std::uint8_t address, const std::vector<std::uint8_t>& written, int length,
                    std::vector<std::uint8_t>& read, int clockHz);
  // When the last transfer leaves the wire. A held bus lets none start: the
  // chip tells that in its own way.
  Clock::time_point Ends() const { return ends_; }
  bool OnTheWire() const { return Clock::now() < ends_; }

 private:
  void ReadCondition();
  Outcome Faulted(std::uint8_t address, std::uint8_t command, bool namesRegister);
  static constexpr std::uint8_t kRefusedCommand = 0x09;  // Voltage
  void Take(int bytes, int clockHz, bool stretched);

  SmartBattery battery_;
  std::string conditionFile_;
  int stretchMs_ = 0;
  Fault fault_ = Fault::None;
  Clock::time_point ends_;
};
