#include "tests/kernel/usb/Mcp2221.h"

#include <algorithm>
#include <cstdio>

// Where the data sheet is silent, the answers follow what people who ran the
// chip published: EasyMCP2221, a Python library written against the chip (its
// Constants.py lists the engine's states "got by trial and error"; its
// I2C_read reads a refused read from the state byte), and Adafruit Blinka's
// PR #356 (a sensor's refused reads ran out all their Get Data retries).
// What neither says follows Debian 12's hid-mcp2221, and says so.

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
// Get Data: "error reading the I2C slave data from the I2C engine", with 127
// for the length. The chip answers so while the read is still on the wire
// (not ready) and after a read that failed, its state telling which.
constexpr std::uint8_t kGetDataError = 0x41;
constexpr std::uint8_t kErrorLength = 127;
constexpr std::uint8_t kCancelMarked = 0x10;
constexpr std::uint8_t kCancelAlreadyIdle = 0x11;
constexpr std::uint8_t kSpeedSet = 0x20;
constexpr std::uint8_t kSpeedNotSet = 0x21;
constexpr std::uint8_t kAddressNackFlag = 0x40;  // Status byte 20, after a refused address

// Engine states (EasyMCP2221's list).
constexpr std::uint8_t kStateIdle = 0x00;
constexpr std::uint8_t kStateStartTimeout = 0x12;  // no START: a line held low
constexpr std::uint8_t kStateAddressNack = 0x25;
constexpr std::uint8_t kStateWriteWaitAck = 0x43;
constexpr std::uint8_t kStateWriteEndNoStop = 0x45;
constexpr std::uint8_t kStateReading = 0x50;
constexpr std::uint8_t kStateReadComplete = 0x55;
// No state is known for a refused data byte or a lost arbitration; the driver
// fails any state it does not list with EIO, and so does this one.
constexpr std::uint8_t kStateUnlisted = 0x27;

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
  transfer_ = Transfer::None;
  outcome_ = BatteryBus::Outcome::Done;
  held_.clear();
  readData_.clear();
}

std::uint8_t Mcp2221::EngineState() const {
  if (transfer_ == Transfer::None) return kStateIdle;
  if (outcome_ == BatteryBus::Outcome::HeldLow) return kStateStartTimeout;
  if (bus_.OnTheWire()) return transfer_ == Transfer::Read ? kStateReading : kStateWriteWaitAck;
  switch (outcome_) {
    case BatteryBus::Outcome::Done:
      if (transfer_ == Transfer::WriteNoStop) return kStateWriteEndNoStop;
      if (transfer_ == Transfer::Read && !readData_.empty()) return kStateReadComplete;
      return kStateIdle;
    case BatteryBus::Outcome::AddressNack:
      return kStateAddressNack;
    default:
      return kStateUnlisted;
  }
}

Report Mcp2221::StatusSetParameters(const Report& command) {
  const std::uint8_t state = EngineState();
  Report response = Response(kStatusSetParameters, kCompleted, 0);
  if (command[2] == 0x10) {
    response[2] = state != kStateIdle ? kCancelMarked : kCancelAlreadyIdle;
    Idle();
  }
  if (command[3] == 0x20) {
    if (EngineState() == kStateIdle) {
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
  response[8] = EngineState();
  response[9] = static_cast<std::uint8_t>(requestedLength_);
  response[10] = static_cast<std::uint8_t>(requestedLength_ >> 8);
  response[11] = static_cast<std::uint8_t>(transferredLength_);
  response[12] = static_cast<std::uint8_t>(transferredLength_ >> 8);
  response[13] = static_cast<std::uint8_t>(readData_.size());
  response[14] = speedDivider_;
  response[16] = address_;
  if (response[8] == kStateAddressNack) response[20] = kAddressNackFlag;
  const bool held = response[8] == kStateStartTimeout;
  response[22] = held ? 0 : 1;  // SCL
  response[23] = held ? 0 : 1;  // SDA
  response[46] = 'A';
  response[47] = '6';
  response[48] = '1';
  response[49] = '2';
  return response;
}

// A write command is taken at once; the engine then runs it. While a transfer
// is on the wire the engine is busy. A write after one that failed starts
// anew (nothing is known of the chip there; the driver sends no cancel between
// a refused write without STOP and the next transfer, and expects it to run).
Report Mcp2221::Write(const Report& command, bool stop) {
  if (bus_.OnTheWire()) return Response(command[0], kEngineBusy, EngineState());
  Idle();
  requestedLength_ = Length(command);
  address_ = command[3];
  const int length = std::min<int>(requestedLength_, kDataPerReport);
  const std::vector<std::uint8_t> bytes(command.begin() + 4, command.begin() + 4 + length);
  transfer_ = stop ? Transfer::Write : Transfer::WriteNoStop;
  outcome_ = stop ? bus_.Write(address_ >> 1, bytes, ClockHz())
                  : bus_.Start(address_ >> 1, bytes, ClockHz());
  if (!stop) held_ = bytes;
  transferredLength_ = outcome_ == BatteryBus::Outcome::Done ? requestedLength_ : 0;
  return Response(command[0], kCompleted, kStateIdle);
}

// A read command is taken unless the engine is busy, or unless it is a read
// with repeated START and the write before it did not end holding the bus; a
// plain read is not taken after a write without STOP. The answer then carries
// the engine's state (EasyMCP2221's I2C_read: 0x25, the address refused;
// 0x45, a write without STOP that only a repeated START continues). A plain
// read after a failed transfer starts anew, as a write does.
Report Mcp2221::Read(const Report& command, bool repeatedStart) {
  const std::uint8_t state = EngineState();
  const bool continues = repeatedStart && state == kStateWriteEndNoStop;
  const bool refused =
      repeatedStart ? state != kStateIdle && !continues : state == kStateWriteEndNoStop;
  if (bus_.OnTheWire() || refused) return Response(command[0], kEngineBusy, state);
  const std::vector<std::uint8_t> written = continues ? held_ : std::vector<std::uint8_t>{};
  Idle();
  transfer_ = Transfer::Read;
  requestedLength_ = Length(command);
  address_ = command[3];
  std::vector<std::uint8_t> read;
  outcome_ = bus_.WriteRead(address_ >> 1, written, requestedLength_, read, ClockHz());
  if (outcome_ == BatteryBus::Outcome::Done) readData_.assign(read.begin(), read.end());
  transferredLength_ = outcome_ == BatteryBus::Outcome::Done ? requestedLength_ : 0;
  return Response(command[0], kCompleted, kStateIdle);
}

// The data of the read: not ready while it is on the wire; an error, with the
// engine's state, when it failed (a refused address: 0x25) or none was made.
Report Mcp2221::GetData() {
  const std::uint8_t state = EngineState();
  if (state != kStateReadComplete) {
    Report response = Response(kGetData, kGetDataError, state);
    response[3] = kErrorLength;
    return response;
  }
  Report response = Response(kGetData, kCompleted, state);
  const int length = std::min<int>(kDataPerReport, static_cast<int>(readData_.size()));
  response[3] = static_cast<std::uint8_t>(length);
  for (int i = 0; i < length; ++i) {
    response[4 + i] = readData_.front();
    readData_.pop_front();
  }
  if (readData_.empty()) Idle();
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
