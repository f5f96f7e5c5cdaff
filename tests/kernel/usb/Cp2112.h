#pragma once

#include <deque>

#include "tests/kernel/usb/BatteryBus.h"
#include "tests/kernel/usb/HidChip.h"

// The CP2112 HID USB-to-SMBus bridge (USB 10c4:ea90) as its interface
// specification describes it: feature reports for the version and the SMBus
// configuration, interrupt reports for a transfer (read, write-read, write),
// its status, and the data it read. A transfer runs on the wire while its
// status says busy; the read data waits in the chip until the host forces it
// out.
class Cp2112 : public HidChip {
 public:
  explicit Cp2112(BatteryBus& bus);
  Report ReportDescriptor() const override;
  std::optional<Report> GetFeature(std::uint8_t reportId) override;
  bool SetFeature(const Report& report) override;
  std::vector<Report> Output(const Report& report) override;

 private:
  // Transfer status, first byte (status 0) and, on an error, second (status 1).
  enum Status0 : std::uint8_t { kIdle = 0, kBusy = 1, kComplete = 2, kError = 3 };
  enum Status1 : std::uint8_t {
    // while busy
    kBusyAddressNacked = 1,
    kBusyReading = 2,
    kBusyWriting = 3,
    // after an error
    kNackTimeout = 0,
    kBusNotFree = 1,
    kArbitrationLost = 2,
    kReadIncomplete = 3,
    kWriteIncomplete = 4,
    // after success
    kSucceeded = 5,
  };

  void Finish(BatteryBus::Outcome outcome, std::vector<std::uint8_t> read, bool reading);
  Report TransferStatus() const;
  int ClockHz() const;
  Report ReadResponse(int wanted);
  bool AutoSendRead() const { return smbusConfig_[6] != 0; }

  BatteryBus& bus_;
  Report smbusConfig_;
  std::uint8_t status0_ = kIdle;
  std::uint8_t status1_ = kSucceeded;
  std::uint8_t busyStatus1_ = kBusyReading;
  std::uint16_t retries_ = 0;
  std::uint16_t bytesRead_ = 0;
  std::deque<std::uint8_t> readData_;
};
