#include "tests/kernel/usb/Mcp2221.h"

#include <algorithm>
#include <cstdio>

namespace {

enum Command : std::uint8_t {
  kStatusSetParameters = 0x10,
  kGetData = 0x40,
  kSetGpio = 0x50,
  kGetGpio = 0x51,
  kWriteData = 0x90,
  kReadData = 0x91,
  kReadDataRepeatedStart = 0x93,
  kWriteDataNoStop = 0x94,
};

constexpr int kReportSize = 64;
constexpr int kDataPerReport = 60;
constexpr std::uint8_t kCompleted = 0x00;
constexpr std::uint8_t kEngineBusy = 0x01;
constexpr std::uint8_t kGetDataError = 0x41;
constexpr std::uint8_t kCancelMarked = 0x10;
constexpr std::uint8_t kCancelAlreadyIdle = 0x11;
constexpr std::uint8_t kSpeedSet = 0x20;
constexpr std::uint8_t kSpeedNotSet = 0x21;
constexpr std::uint8_t kErrorLength = 127;

// Engine states as the firmware reports them (the data sheet names the field
// but not its values): idle, the address refused, the read data waiting to be
// fetched. A refused data byte has no value known from the firmware; any
// state but idle fails the transfer.
constexpr std::uint8_t kStateIdle = 0x00;
constexpr std::uint8_t kStateAddressNack = 0x25;
constexpr std::uint8_t kStateDataNack = 0x27;
constexpr std::uint8_t kStateReadComplete = 0x55;

Report Response(std::uint8_t command, std::uint8_t status, std::uint8_t state) {
  Report response(kReportSize, 0);
  response[0] = command;
  response[1] = status;
  response[2] = state;
  return response;
}

std::uint16_t Length(const Report& command) {
  return static_cast<std::uint16_t>(command[1] | (command[2] << 8));
}

}  // namespace

Mcp2221::Mcp2221(BatteryBus& bus) : bus_(bus) {}

Report Mcp2221::ReportDescriptor() const {
  using Kind = ReportLayout::Kind;
  return VendorReportDescriptor({{0, Kind::Input, kReportSize}, {0, Kind::Output, kReportSize}});
}

std::optional<Report> Mcp2221::GetFeature(std::uint8_t) {
  return std::nullopt;
}

bool Mcp2221::SetFeature(const Report&) {
  return false;
}

void Mcp2221::Idle() {
  engineState_ = kStateIdle;
  held_.reset();
  readFailed_ = false;
  readData_.clear();
}

Report Mcp2221::StatusSetParameters(const Report& command) {
  Report response = Response(kStatusSetParameters, kCompleted, 0);
  const bool busy = engineState_ != kStateIdle || held_ || !readData_.empty();
  if (command[2] == 0x10) {
    response[2] = busy ? kCancelMarked : kCancelAlreadyIdle;
    Idle();
  }
  if (command[3] == 0x20) {
    if (engineState_ == kStateIdle && !held_) {
      speedDivider_ = command[4];
      // For the bed to hold the probe's clock against: the chip runs its
      // 12 MHz clock through the divider plus 3.
      std::fprintf(stderr, "mcp2221: the driver set the I2C clock divider %u (%u kHz)\n",
                   unsigned{speedDivider_}, 12'000u / (speedDivider_ + 3u));
      response[3] = kSpeedSet;
      response[4] = speedDivider_;
    } else {
      response[3] = kSpeedNotSet;
    }
  }
  response[8] = engineState_;
  response[9] = static_cast<std::uint8_t>(requestedLength_);
  response[10] = static_cast<std::uint8_t>(requestedLength_ >> 8);
  response[11] = static_cast<std::uint8_t>(transferredLength_);
  response[12] = static_cast<std::uint8_t>(transferredLength_ >> 8);
  response[13] = static_cast<std::uint8_t>(readData_.size());
  response[14] = speedDivider_;
  response[16] = address_;
  response[22] = 1;  // SCL high
  response[23] = 1;  // SDA high
  response[46] = 'A';
  response[47] = '6';
  response[48] = '1';
  response[49] = '2';
  return response;
}

Report Mcp2221::Write(const Report& command, bool stop) {
  // A new START: whatever the last transfer left is over.
  const std::uint8_t stateAtIssue = engineState_;
  Idle();
  requestedLength_ = Length(command);
  address_ = command[3];
  const int length = std::min<int>(requestedLength_, kDataPerReport);
  const std::vector<std::uint8_t> bytes(command.begin() + 4, command.begin() + 4 + length);
  BatteryBus::Outcome outcome;
  if (stop) {
    outcome = bus_.Write(address_ >> 1, bytes);
  } else {
    outcome = bus_.Acknowledges(address_ >> 1) ? BatteryBus::Outcome::Done
                                               : BatteryBus::Outcome::AddressNack;
    if (outcome == BatteryBus::Outcome::Done) held_ = bytes;
  }
  transferredLength_ = outcome == BatteryBus::Outcome::Done ? requestedLength_ : 0;
  if (outcome == BatteryBus::Outcome::AddressNack) engineState_ = kStateAddressNack;
  if (outcome == BatteryBus::Outcome::DataNack) engineState_ = kStateDataNack;
  return Response(command[0], kCompleted, stateAtIssue);
}

Report Mcp2221::Read(const Report& command, bool repeatedStart) {
  const std::uint8_t stateAtIssue = engineState_;
  if (repeatedStart && !held_) {
    // No transfer holds the bus (its address was refused): there is nothing
    // to continue with a repeated START.
    engineState_ = kStateIdle;
    return Response(command[0], kEngineBusy, stateAtIssue);
  }
  const std::vector<std::uint8_t> written = repeatedStart ? *held_ : std::vector<std::uint8_t>{};
  Idle();
  requestedLength_ = Length(command);
  address_ = command[3];
  std::vector<std::uint8_t> read;
  const BatteryBus::Outcome outcome =
      bus_.WriteRead(address_ >> 1, written, requestedLength_, read);
  if (outcome == BatteryBus::Outcome::Done) {
    readData_.assign(read.begin(), read.end());
    transferredLength_ = requestedLength_;
    engineState_ = kStateReadComplete;
  } else {
    readFailed_ = true;
    transferredLength_ = 0;
    engineState_ = outcome == BatteryBus::Outcome::AddressNack ? kStateAddressNack : kStateDataNack;
  }
  return Response(command[0], kCompleted, stateAtIssue);
}

Report Mcp2221::GetData() {
  if (readFailed_ && engineState_ == kStateAddressNack) {
    // A read whose address was refused: the engine says so until the host
    // cancels or starts anew (the driver reads this state as ENXIO, as it
    // does after a refused write).
    return Response(kGetData, kCompleted, kStateAddressNack);
  }
  if (readData_.empty()) {
    // No read to give back: none was made, or it failed.
    Report response = Response(kGetData, kGetDataError, engineState_);
    response[3] = kErrorLength;
    if (readFailed_) Idle();
    return response;
  }
  Report response = Response(kGetData, kCompleted, engineState_);
  const int length = std::min<int>(kDataPerReport, static_cast<int>(readData_.size()));
  response[3] = static_cast<std::uint8_t>(length);
  for (int i = 0; i < length; ++i) {
    response[4 + i] = readData_.front();
    readData_.pop_front();
  }
  if (readData_.empty()) engineState_ = kStateIdle;
  return response;
}

std::vector<Report> Mcp2221::Output(const Report& report) {
  Report command = report;
  command.resize(kReportSize, 0);
  switch (command[0]) {
    case kStatusSetParameters:
      return {StatusSetParameters(command)};
    case kWriteData:
      return {Write(command, true)};
    case kWriteDataNoStop:
      return {Write(command, false)};
    case kReadData:
      return {Read(command, false)};
    case kReadDataRepeatedStart:
      return {Read(command, true)};
    case kGetData:
      return {GetData()};
    case kGetGpio: {
      // Four pins, each a GPIO input reading low: value, then direction.
      Report response = Response(kGetGpio, kCompleted, 0);
      for (int pin = 0; pin < 4; ++pin) response[3 + 2 * pin] = 1;
      return {response};
    }
    default:
      return {Response(command[0], kCompleted, 0)};
  }
}
