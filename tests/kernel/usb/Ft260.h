#pragma once

#include <optional>

#include "tests/kernel/usb/BatteryBus.h"
#include "tests/kernel/usb/HidChip.h"

// The FT260 USB-to-I2C bridge (USB 0403:6030) as its HID class user guide
// describes it: feature reports for the chip's version, its system settings
// and the I2C controller's status; I2C write and read requests as output
// reports, read data as input reports whose ID grows with their length. The
// controller takes a request at once and runs it on the wire; its status says
// busy until it is done, and read data go out when it is.
class Ft260 : public HidChip {
 public:
  explicit Ft260(BatteryBus& bus);
  Report ReportDescriptor() const override;
  std::optional<Report> GetFeature(std::uint8_t reportId) override;
  bool SetFeature(const Report& report) override;
  std::vector<Report> Output(const Report& report) override;
  bool FollowsOutput(std::uint8_t reportId) const override;
  std::chrono::steady_clock::time_point InputDue() const override { return inputDue_; }

 private:
  std::vector<Report> Write(const Report& request);
  std::vector<Report> Read(const Report& request);
  void Finish(BatteryBus::Outcome outcome, bool stop, bool reading);
  std::uint8_t BusStatus() const;

  BatteryBus& bus_;
  std::uint16_t clockKhz_ = 100;
  // The status once the transfer on the wire is done.
  std::uint8_t busStatus_;
  bool statusSaidBusy_ = false;
  std::chrono::steady_clock::time_point inputDue_;
  // Written without a STOP: the address and bytes, the bus held for a
  // repeated START.
  std::optional<std::pair<std::uint8_t, std::vector<std::uint8_t>>> held_;
};
