#include "tests/kernel/usb/Cp2112.h"

#include <algorithm>

namespace {

enum ReportId : std::uint8_t {
  kReset = 0x01,
  kGpioConfig = 0x02,
  kGpioGet = 0x03,
  kGpioSet = 0x04,
  kVersion = 0x05,
  kSmbusConfig = 0x06,
  kDataRead = 0x10,
  kDataWriteRead = 0x11,
  kDataReadForceSend = 0x12,
  kDataReadResponse = 0x13,
  kDataWrite = 0x14,
  kTransferStatusRequest = 0x15,
  kTransferStatusResponse = 0x16,
  kCancelTransfer = 0x17,
  kLockByte = 0x20,
  kUsbConfig = 0x21,
  kManufacturerString = 0x22,
  kProductString = 0x23,
  kSerialString = 0x24,
};

constexpr std::uint8_t kPartNumber = 0x0C;
constexpr std::uint8_t kDeviceVersion = 0x02;
constexpr int kInterruptReportSize = 63;  // every interrupt report is 64 bytes with its ID
constexpr int kReadResponseMax = 61;

std::uint16_t BigEndian(const Report& report, std::size_t at) {
  return static_cast<std::uint16_t>((report[at] << 8) | report[at + 1]);
}

Report StringReport(std::uint8_t id, const char* text) {
  Report report = {id, 0, 0x03};
  for (const char* c = text; *c != '\0'; ++c) report.insert(report.end(), {std::uint8_t(*c), 0});
  report[1] = static_cast<std::uint8_t>(report.size() - 2);
  report.resize(64);
  return report;
}

}  // namespace

Cp2112::Cp2112(BatteryBus& bus) : bus_(bus) {
  // 100 kHz, own address 0x02, no automatic read response, no time-outs, no retry limit.
  smbusConfig_ = {kSmbusConfig, 0x00, 0x01, 0x86, 0xA0, 0x02, 0x00,
                  0x00,         0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
}

Report Cp2112::ReportDescriptor() const {
  using Kind = ReportLayout::Kind;
  std::vector<ReportLayout> reports = {
      {kReset, Kind::Feature, 1},
      {kGpioConfig, Kind::Feature, 4},
      {kGpioGet, Kind::Feature, 1},
      {kGpioSet, Kind::Feature, 2},
      {kVersion, Kind::Feature, 2},
      {kSmbusConfig, Kind::Feature, 13},
      {kLockByte, Kind::Feature, 1},
      {kUsbConfig, Kind::Feature, 9},
      {kManufacturerString, Kind::Feature, 62},
      {kProductString, Kind::Feature, 62},
      {kSerialString, Kind::Feature, 62},
  };
  for (std::uint8_t id : {kDataRead, kDataWriteRead, kDataReadForceSend, kDataWrite,
                          kTransferStatusRequest, kCancelTransfer}) {
    reports.push_back({id, Kind::Output, kInterruptReportSize});
  }
  for (std::uint8_t id : {kDataReadResponse, kTransferStatusResponse}) {
    reports.push_back({id, Kind::Input, kInterruptReportSize});
  }
  return VendorReportDescriptor(reports);
}

std::optional<Report> Cp2112::GetFeature(std::uint8_t reportId) {
  switch (reportId) {
    case kVersion:
      return Report{kVersion, kPartNumber, kDeviceVersion};
    case kSmbusConfig:
      return smbusConfig_;
    case kLockByte:
      return Report{kLockByte, 0xFF};  // every field still programmable
    case kUsbConfig:
      return Report{kUsbConfig, 0xC4, 0x10, 0x90, 0xEA, 0x32, 0x00, 0x01, 0x00, 0x00};
    case kGpioConfig:
      return Report{kGpioConfig, 0x00, 0x00, 0x00, 0x00};
    case kGpioGet:
      return Report{kGpioGet, 0x00};
    case kManufacturerString:
      return StringReport(kManufacturerString, "Silicon Labs");
    case kProductString:
      return StringReport(kProductString, "CP2112 HID USB-to-SMBus Bridge");
    case kSerialString:
      return StringReport(kSerialString, "0001");
    default:
      return std::nullopt;
  }
}

bool Cp2112::SetFeature(const Report& report) {
  if (report.empty()) return false;
  switch (report[0]) {
    case kSmbusConfig:
      if (report.size() < smbusConfig_.size()) return false;
      std::copy_n(report.begin(), smbusConfig_.size(), smbusConfig_.begin());
      return true;
    case kReset:
    case kGpioConfig:
    case kGpioSet:
    case kLockByte:
    case kUsbConfig:
    case kManufacturerString:
    case kProductString:
    case kSerialString:
      return true;
    default:
      return false;
  }
}

int Cp2112::ClockHz() const {
  return (smbusConfig_[1] << 24) | (smbusConfig_[2] << 16) | (smbusConfig_[3] << 8) |
         smbusConfig_[4];
}

// The transfer status codes of the interface specification. A bus held low
// ends in "bus not free" only with the SCL low time-out enabled (byte 11 of
// the SMBus configuration); without it (the chip's default, and the driver
// leaves it) the transfer stays busy until the host cancels it.
void Cp2112::Finish(BatteryBus::Outcome outcome, std::vector<std::uint8_t> read, bool reading) {
  readData_.clear();
  bytesRead_ = 0;
  retries_ = 0;
  busyStatus1_ = reading ? kBusyReading : kBusyWriting;
  status0_ = kError;
  switch (outcome) {
    case BatteryBus::Outcome::Done:
      status0_ = kComplete;
      status1_ = kSucceeded;
      readData_.assign(read.begin(), read.end());
      bytesRead_ = static_cast<std::uint16_t>(read.size());
      return;
    case BatteryBus::Outcome::AddressNack:
      // The chip retries a refused address as often as its configuration
      // allows (0: without end, busy until cancelled), then gives up on a
      // time-out.
      retries_ = BigEndian(smbusConfig_, 12);
      status0_ = retries_ == 0 ? kBusy : kError;
      status1_ = retries_ == 0 ? kBusyAddressNacked : kNackTimeout;
      busyStatus1_ = kBusyAddressNacked;
      return;
    case BatteryBus::Outcome::DataNack:
      // The pack refused the command byte: the write part is incomplete.
      status1_ = kWriteIncomplete;
      return;
    case BatteryBus::Outcome::ArbitrationLost:
      status1_ = kArbitrationLost;
      return;
    case BatteryBus::Outcome::HeldLow:
      status0_ = smbusConfig_[11] != 0 ? kError : kBusy;
      status1_ = smbusConfig_[11] != 0 ? std::uint8_t{kBusNotFree} : busyStatus1_;
      return;
  }
}

// Busy while the transfer is on the wire, then what it came to.
Report Cp2112::TransferStatus() const {
  Report status(1 + kInterruptReportSize, 0);
  status[0] = kTransferStatusResponse;
  status[1] = bus_.OnTheWire() ? std::uint8_t{kBusy} : status0_;
  status[2] = bus_.OnTheWire() ? busyStatus1_ : status1_;
  status[3] = static_cast<std::uint8_t>(retries_ >> 8);
  status[4] = static_cast<std::uint8_t>(retries_);
  status[5] = static_cast<std::uint8_t>(bytesRead_ >> 8);
  status[6] = static_cast<std::uint8_t>(bytesRead_);
  return status;
}

Report Cp2112::ReadResponse(int wanted) {
  const int length = std::min({wanted, kReadResponseMax, static_cast<int>(readData_.size())});
  Report response(1 + kInterruptReportSize, 0);
  response[0] = kDataReadResponse;
  response[1] = status0_;
  response[2] = static_cast<std::uint8_t>(length);
  for (int i = 0; i < length; ++i) {
    response[3 + i] = readData_.front();
    readData_.pop_front();
  }
  return response;
}

std::vector<Report> Cp2112::Output(const Report& report) {
  Report r = report;
  r.resize(1 + kInterruptReportSize, 0);
  std::vector<std::uint8_t> read;
  switch (r[0]) {
    case kDataRead: {
      const int length = BigEndian(r, 2);
      if (length < 1 || length > 512) return {};
      const BatteryBus::Outcome outcome = bus_.WriteRead(r[1] >> 1, {}, length, read, ClockHz());
      Finish(outcome, std::move(read), true);
      break;
    }
    case kDataWriteRead: {
      const int length = BigEndian(r, 2);
      const int targetLength = r[4];
      if (length < 1 || length > 512 || targetLength < 1 || targetLength > 16) return {};
      const std::vector<std::uint8_t> target(r.begin() + 5, r.begin() + 5 + targetLength);
      const BatteryBus::Outcome outcome =
          bus_.WriteRead(r[1] >> 1, target, length, read, ClockHz());
      Finish(outcome, std::move(read), true);
      break;
    }
    case kDataWrite: {
      const int length = r[2];
      if (length < 1 || length > 61) return {};
      Finish(bus_.Write(r[1] >> 1, {r.begin() + 3, r.begin() + 3 + length}, ClockHz()), {}, false);
      break;
    }
    case kTransferStatusRequest:
      return {TransferStatus()};
    case kDataReadForceSend:
      return {ReadResponse(BigEndian(r, 1))};
    case kCancelTransfer:
      status0_ = kIdle;
      status1_ = kSucceeded;
      readData_.clear();
      return {};
    default:
      return {};
  }
  std::vector<Report> sent;
  while (AutoSendRead() && !readData_.empty()) sent.push_back(ReadResponse(kReadResponseMax));
  return sent;
}
