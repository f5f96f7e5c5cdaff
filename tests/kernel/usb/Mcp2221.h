#pragma once

#include <deque>
#include <optional>

#include "tests/kernel/usb/BatteryBus.h"
#include "tests/kernel/usb/HidChip.h"

// The MCP2221A USB-to-I2C bridge (USB 04d8:00dd) as its data sheet describes
// it: every command is a 64-byte output report whose first byte is the
// command code, answered by one 64-byte input report that echoes it. The I2C
// engine runs each transfer at once; read data waits in the chip for
// I2C Get Data, at most 60 bytes a report.
class Mcp2221 : public HidChip {
 public:
  explicit Mcp2221(BatteryBus& bus);
  Report ReportDescriptor() const override;
  std::optional<Report> GetFeature(std::uint8_t reportId) override;
  bool SetFeature(const Report& report) override;
  std::vector<Report> Output(const Report& report) override;

 private:
  Report StatusSetParameters(const Report& command);
  Report Write(const Report& command, bool stop);
  Report Read(const Report& command, bool repeatedStart);
  Report GetData();
  void Idle();

  BatteryBus& bus_;
  std::uint8_t speedDivider_ = 0x1A;  // 100 kHz at power-on
  // The engine state that the next response reports as "at the moment the
  // command was issued"; the data sheet leaves the values to the firmware.
  std::uint8_t engineState_ = 0;
  std::uint16_t requestedLength_ = 0;
  std::uint16_t transferredLength_ = 0;
  std::uint8_t address_ = 0;  // 8-bit, as last sent
  // After I2C Write Data No STOP: the bytes written, the bus held for a
  // repeated START.
  std::optional<std::vector<std::uint8_t>> held_;
  bool readFailed_ = false;
  std::deque<std::uint8_t> readData_;
};
