#include "emulator/EmulatedBusProbe.h"

#include <stdexcept>
#include <thread>

#include "emulator/SmbusTiming.h"
#include "link/adapter/BusAddress.h"

namespace {

constexpr int kHighestPort = 99;

// Start, the address byte, one byte received, stop.
constexpr auto kReceiveByteTime = smbus_timing::kBitTime * (1 + 2 * smbus_timing::kByteBits + 1);

}  // namespace

EmulatedBusProbe::EmulatedBusProbe(EmulatedSerialPorts& ports, EmulatedBus& bus)
    : ports_(ports), bus_(bus) {}

std::vector<ProbedAdapter> EmulatedBusProbe::Adapters() {
  std::vector<ProbedAdapter> adapters;
  for (int port = 1; port <= kHighestPort; ++port) {
    if (!ports_.Exists(port)) continue;
    ProbedAdapter adapter;
    adapter.port = port;
    adapter.device = "COM" + std::to_string(port);
    adapter.attachment = "emulated rig";
    if (ports_.HasAdapter(port)) {
      adapter.name = "emulated adapter";
      adapter.functions = AdapterFunctions{true, true, true, true, "SMBus Block Read", ""};
    } else {
      adapter.leftOut = "no adapter is attached to this emulated port";
    }
    adapters.push_back(adapter);
  }
  return adapters;
}

BusClock EmulatedBusProbe::ClockOf(int port) {
  if (!ports_.HasAdapter(port)) return {std::nullopt, "no emulated adapter on this port", {}};
  return {static_cast<int>(std::chrono::seconds(1) / smbus_timing::kBitTime),
          "the emulated rig's bus",
          {}};
}

std::string EmulatedBusProbe::Open(int port) {
  if (!ports_.HasAdapter(port)) return "no emulated adapter on port " + std::to_string(port);
  open_ = true;
  return {};
}

void EmulatedBusProbe::Close() {
  open_ = false;
}

std::optional<AddressHolder> EmulatedBusProbe::HolderOf(std::uint8_t) {
  return std::nullopt;
}

ProbeAnswer EmulatedBusProbe::Touch(std::uint8_t address) {
  if (!open_) throw std::logic_error("an address touched before an adapter was opened");
  switch (bus_.Transfer(AddressByteOf(SevenBitAddress{address}).value)) {
    case EmulatedBus::Fate::Acknowledged:
      std::this_thread::sleep_for(kReceiveByteTime);
      return ProbeAnswer::Acknowledged;
    case EmulatedBus::Fate::NotAcknowledged:
      std::this_thread::sleep_for(smbus_timing::kAddressOnlyTime);
      return ProbeAnswer::NotAcknowledged;
    case EmulatedBus::Fate::TimedOut:
      std::this_thread::sleep_for(EmulatedBus::kTimeoutTime);
      return ProbeAnswer::TimedOut;
    case EmulatedBus::Fate::BusError:
      std::this_thread::sleep_for(kReceiveByteTime);
      return ProbeAnswer::BusError;
  }
  return ProbeAnswer::BusError;
}
