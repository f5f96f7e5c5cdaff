#pragma once

#include <deque>
#include <optional>

#include "tests/kernel/usb/BatteryBus.h"
#include "tests/kernel/usb/HidChip.h"

// The MCP2221A USB-to-I2C bridge (USB 04d8:00dd) as its data sheet describes
// it: every command is a 64-byte output report whose first byte is the
// command code, answered at once by one 64-byte input report that echoes it.
// The I2C engine then runs the transfer on the wire; read data waits in the
// chip for I2C Get Data, at most 60 bytes a report.
class Mcp2221 : public HidChip {
 public:
  explicit Mcp2221(BatteryBus& bus);
  Report ReportDescriptor() const override;
  std::optional<Report> GetFeature(std::uint8_t reportId) override;
  bool SetFeature(const Report& report) override;
  std::vector<Report> Output(const Report& report) override;

 private:
  enum class Transfer { None, Write, WriteNoStop, Read };

  Report StatusSetParameters(const Report& command);
  Report Write(const Report& command, bool stop);
  Report Read(const Report& command, bool repeatedStart);
  Report GetData();
  std::uint8_t EngineState() const;
  int ClockHz() const { return 12000000 / (speedDivider_ + 3); }
  void Idle();

  BatteryBus& bus_;
  std::uint8_t speedDivider_ = 0x1A;
  Transfer transfer_ = Transfer::None;
  BatteryBus::Outcome outcome_ = BatteryBus::Outcome::Done;
  std::uint16_t requestedLength_ = 0;
  std::uint16_t transferredLength_ = 0;
  std::uint8_t address_ = 0;  // 8-bit, as last sent
  // After I2C Write Data No STOP: the bytes written, the bus held for a
  // repeated START.
  std::vector<std::uint8_t> held_;
  std::deque<std::uint8_t> readData_;
};
