#include "tests/kernel/usb/Ft260.h"

#include <algorithm>

namespace {

enum ReportId : std::uint8_t {
  kChipVersion = 0xA0,
  kSystemSettings = 0xA1,
  kI2cStatus = 0xC0,
  kI2cReadRequest = 0xC2,
  kI2cReportFirst = 0xD0,  // 4 data bytes, each next ID 4 more
  kI2cReportLast = 0xDE,
};

// I2C controller status bits.
constexpr std::uint8_t kControllerBusy = 0x01;
constexpr std::uint8_t kError = 0x02;
constexpr std::uint8_t kAddressNack = 0x04;
constexpr std::uint8_t kDataNack = 0x08;
constexpr std::uint8_t kArbitrationLost = 0x10;
constexpr std::uint8_t kControllerIdle = 0x20;
constexpr std::uint8_t kBusBusy = 0x40;

// Conditions of a request.
constexpr std::uint8_t kStart = 0x02;
constexpr std::uint8_t kStop = 0x04;

// System settings requests.
constexpr std::uint8_t kI2cReset = 0x20;
constexpr std::uint8_t kI2cClockSpeed = 0x22;

constexpr int kInterruptReportSize = 63;
constexpr int kDataPerInputReport = 60;

}  // namespace

Ft260::Ft260(BatteryBus& bus) : bus_(bus), busStatus_(kControllerIdle) {}

Report Ft260::ReportDescriptor() const {
  using Kind = ReportLayout::Kind;
  std::vector<ReportLayout> reports = {
      {kChipVersion, Kind::Feature, 12},
      {kSystemSettings, Kind::Feature, 25},
      {kI2cStatus, Kind::Feature, 4},
      {kI2cReadRequest, Kind::Output, kInterruptReportSize},
  };
  for (int id = kI2cReportFirst; id <= kI2cReportLast; ++id) {
    reports.push_back({static_cast<std::uint8_t>(id), Kind::Output, kInterruptReportSize});
    reports.push_back({static_cast<std::uint8_t>(id), Kind::Input, kInterruptReportSize});
  }
  return VendorReportDescriptor(reports);
}

std::optional<Report> Ft260::GetFeature(std::uint8_t reportId) {
  switch (reportId) {
    case kChipVersion: {
      Report version(13, 0);
      version[0] = kChipVersion;
      version[1] = 0x02;
      version[2] = 0x60;
      version[3] = 0x02;
      return version;
    }
    case kSystemSettings: {
      // I2C only (DCNF pins), 48 MHz, ready, I2C enabled, UART off.
      Report settings(26, 0);
      settings[0] = kSystemSettings;
      settings[1] = 0x01;
      settings[2] = 0x02;
      settings[4] = 0x01;
      settings[5] = 0x01;
      return settings;
    }
    case kI2cStatus: {
      const std::uint8_t status = BusStatus();
      statusSaidBusy_ = (status & kControllerBusy) != 0;
      return Report{kI2cStatus, status, static_cast<std::uint8_t>(clockKhz_),
                    static_cast<std::uint8_t>(clockKhz_ >> 8), 0};
    }
    default:
      return std::nullopt;
  }
}

bool Ft260::SetFeature(const Report& report) {
  if (report.size() < 2 || report[0] != kSystemSettings) return false;
  if (report[1] == kI2cReset) {
    held_.reset();
    busStatus_ = kControllerIdle;
    statusSaidBusy_ = false;
  }
  if (report[1] == kI2cClockSpeed && report.size() >= 4) {
    clockKhz_ = static_cast<std::uint16_t>(report[2] | (report[3] << 8));
  }
  return true;
}

// While a transfer is on the wire the controller and the bus are busy.
std::uint8_t Ft260::BusStatus() const {
  return bus_.OnTheWire() ? kControllerBusy | kBusBusy : busStatus_;
}

// The status a transfer leaves: the driver maintainer's logs from hardware
// (the out-of-tree hid-ft260 repository: commits 2ba64f6 and 5277ad0, issue
// #29) show 0x26 after a refused address (error, address not acknowledged,
// controller idle), with the bus-busy bit 0x40 too where no STOP followed.
// A bus held low lets no transfer start: nothing is known of what the chip
// says then, so the controller stays busy until the driver resets it, which
// is what the driver waits out.
void Ft260::Finish(BatteryBus::Outcome outcome, bool stop, bool reading) {
  busStatus_ = kControllerIdle;
  switch (outcome) {
    case BatteryBus::Outcome::Done:
      break;
    case BatteryBus::Outcome::AddressNack:
      busStatus_ |= kError | kAddressNack;
      break;
    case BatteryBus::Outcome::DataNack:
      busStatus_ |= kError | kDataNack;
      break;
    case BatteryBus::Outcome::ArbitrationLost:
      busStatus_ |= kError | kArbitrationLost;
      break;
    case BatteryBus::Outcome::HeldLow:
      busStatus_ = kControllerBusy | kBusBusy;
      return;
  }
  if (stop) return;
  // Without a STOP a good transfer keeps the bus, and so does a refused read
  // (0x46); a refused write lets it go, so that the driver sees its NACK.
  if (outcome == BatteryBus::Outcome::Done) busStatus_ |= kBusBusy;
  if (outcome != BatteryBus::Outcome::Done && reading) {
    busStatus_ = static_cast<std::uint8_t>((busStatus_ & ~kControllerIdle) | kBusBusy);
  }
}

std::vector<Report> Ft260::Write(const Report& request) {
  const std::uint8_t address = request[1];
  const std::uint8_t condition = request[2];
  const int length = std::min<int>(request[3], kInterruptReportSize - 3);
  const std::vector<std::uint8_t> bytes(request.begin() + 4, request.begin() + 4 + length);
  const bool stop = (condition & kStop) != 0;
  held_.reset();
  if (stop) {
    Finish(bus_.Write(address, bytes, clockKhz_ * 1000), true, false);
    return {};
  }
  // START only: a refused address or byte is reported on this write.
  const BatteryBus::Outcome outcome = bus_.Start(address, bytes, clockKhz_ * 1000);
  if (outcome == BatteryBus::Outcome::Done) held_.emplace(address, bytes);
  Finish(outcome, false, false);
  return {};
}

std::vector<Report> Ft260::Read(const Report& request) {
  const std::uint8_t address = request[1];
  const std::uint8_t condition = request[2];
  const int length = request[3] | (request[4] << 8);
  std::vector<std::uint8_t> written;
  // A START on a bus held since a write without STOP is a repeated START.
  if ((condition & kStart) != 0 && held_ && held_->first == address) written = held_->second;
  held_.reset();
  std::vector<std::uint8_t> read;
  const BatteryBus::Outcome outcome =
      bus_.WriteRead(address, written, length, read, clockKhz_ * 1000);
  Finish(outcome, (condition & kStop) != 0, true);
  inputDue_ = bus_.Ends();
  // A held bus reads nothing. Otherwise the chip sends the length asked for,
  // refused or not (the logs above: the input report, then the status): what
  // a read nobody answers clocks in is the idle bus's 0xFF.
  if (outcome == BatteryBus::Outcome::HeldLow) return {};
  if (outcome != BatteryBus::Outcome::Done) read.assign(static_cast<std::size_t>(length), 0xFF);
  std::vector<Report> sent;
  for (std::size_t at = 0; at < read.size(); at += kDataPerInputReport) {
    const std::size_t chunk = std::min<std::size_t>(kDataPerInputReport, read.size() - at);
    Report report(1 + kInterruptReportSize, 0);
    report[0] = static_cast<std::uint8_t>(kI2cReportFirst + (chunk - 1) / 4);
    report[1] = static_cast<std::uint8_t>(chunk);
    std::copy_n(read.begin() + static_cast<long>(at), chunk, report.begin() + 2);
    sent.push_back(report);
  }
  return sent;
}

// The driver sends a request, then asks the controller's status for its
// outcome; while the status says busy, it asks again about the same request.
bool Ft260::FollowsOutput(std::uint8_t reportId) const {
  return reportId == kI2cStatus && !statusSaidBusy_;
}

std::vector<Report> Ft260::Output(const Report& report) {
  Report request = report;
  request.resize(1 + kInterruptReportSize, 0);
  if (request[0] == kI2cReadRequest) return Read(request);
  if (request[0] >= kI2cReportFirst && request[0] <= kI2cReportLast) return Write(request);
  return {};
}
