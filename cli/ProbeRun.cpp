#include "cli/ProbeRun.h"

#include <algorithm>
#include <chrono>

#include "battery/RegisterNames.h"
#include "cli/HeadlessRequest.h"
#include "cli/HeadlessScan.h"
#include "scan/sequencer/ScanObserver.h"

namespace {

constexpr int kTouchesAfterABusError = 2;
constexpr const char* kBatteryRegisters[] = {"SpecificationInfo", "ManufacturerName", "DeviceName",
                                             "Voltage"};

// A touch that broke off is tried again: a noisy bus must not hide a device.
ProbeAnswer TouchThroughNoise(BusProbe& probe, std::uint8_t address, int& busErrors) {
  ProbeAnswer answer = probe.Touch(address);
  for (int again = 0; answer == ProbeAnswer::BusError && again < kTouchesAfterABusError; ++again) {
    ++busErrors;
    answer = probe.Touch(address);
  }
  if (answer == ProbeAnswer::BusError) ++busErrors;
  return answer;
}

SweepFacts Sweep(BusProbe& probe) {
  SweepFacts sweep;
  sweep.done = true;
  const auto start = std::chrono::steady_clock::now();
  int timeoutsInARow = 0;
  for (int address = kFirstSweptAddress; address <= kLastSweptAddress; ++address) {
    const auto at = static_cast<std::uint8_t>(address);
    if (const std::optional<AddressHolder> holder = probe.HolderOf(at)) {
      sweep.held.emplace_back(at, holder->driver);
      continue;
    }
    ++sweep.touched;
    const ProbeAnswer answer = TouchThroughNoise(probe, at, sweep.busErrors);
    timeoutsInARow = answer == ProbeAnswer::TimedOut ? timeoutsInARow + 1 : 0;
    if (answer == ProbeAnswer::TimedOut) ++sweep.timeouts;
    if (answer == ProbeAnswer::Acknowledged) sweep.acknowledged.push_back(at);
    if (answer == ProbeAnswer::Held) sweep.held.emplace_back(at, "");
    if (timeoutsInARow == kTimeoutsThatEndASweep) {
      sweep.cutShort = address < kLastSweptAddress;
      break;
    }
  }
  sweep.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return sweep;
}

// Where the battery's registers are read: the address asked for when it
// acknowledged (or when no sweep could tell), else the first other device
// that is neither a charger nor a selector.
std::optional<std::uint8_t> ReadingAddress(const ProbeFacts& facts) {
  const std::vector<std::uint8_t>& acknowledged = facts.sweep.acknowledged;
  if (!facts.sweep.done ||
      std::find(acknowledged.begin(), acknowledged.end(), facts.address) != acknowledged.end()) {
    return facts.address;
  }
  for (const std::uint8_t address : acknowledged) {
    if (address != smart_battery_system::kCharger.value &&
        address != smart_battery_system::kSelector.value) {
      return address;
    }
  }
  return std::nullopt;
}

// Counts the attempts that broke off.
class ReadingWatch : public ScanObserver {
 public:
  int brokenAttempts = 0;

  void RowFailed(const RowFailure& failure) override {
    if (failure.fault == RowFault::BusError || failure.fault == RowFault::ArbitrationLoss) {
      ++brokenAttempts;
    }
  }
};

void ReadRegisters(AdapterLibrary& adapter, int port, ProbeFacts& facts) {
  HeadlessScan scan(adapter, {QString::number(port), *facts.readAt});
  std::vector<int> rows;
  for (const char* name : kBatteryRegisters) rows.push_back(*RowNamed(QString::fromLatin1(name)));
  std::sort(rows.begin(), rows.end());
  for (const int row : rows) {
    facts.registers.push_back(
        {scan.Catalogue().RegisterName(row), scan.Catalogue().UnitClass(row)});
  }
  ReadingWatch watch;
  scan.Engine().AddObserver(watch);
  for (std::size_t pass = 0; pass < 2; ++pass) {
    const HeadlessScan::Pass result = scan.Read(rows);
    if (!result.linkFailure.isEmpty()) {
      facts.linkFailure = result.linkFailure;
      break;
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
      facts.registers[i].readings[pass] = result.rows[i];
  }
  scan.Engine().RemoveObserver(watch);
  facts.brokenAttempts = watch.brokenAttempts;
}

}  // namespace

ProbeFacts GatherProbeFacts(BusProbe& probe, AdapterLibrary& adapter, std::optional<int> port,
                            std::uint8_t address) {
  ProbeFacts facts;
  facts.address = address;
  facts.adapters = probe.Adapters();
  for (const ProbedAdapter& candidate : facts.adapters) {
    if (port ? candidate.port == *port : candidate.leftOut.empty()) {
      facts.chosen = candidate;
      break;
    }
  }
  if (!facts.chosen) {
    if (port) facts.openFailure = probe.Open(*port);
    probe.Close();
    return facts;
  }
  const ProbedAdapter& chosen = *facts.chosen;
  if (chosen.leftOut.empty()) facts.clock = probe.ClockOf(chosen.port);
  if (!chosen.leftOut.empty() || !chosen.functions || !chosen.functions->unusable.empty()) {
    return facts;
  }
  facts.openFailure = probe.Open(chosen.port);
  if (!facts.openFailure.empty()) return facts;
  facts.holder = probe.HolderOf(address);
  if (chosen.functions->receiveByte) facts.sweep = Sweep(probe);
  probe.Close();
  if (facts.holder) return facts;
  facts.readAt = ReadingAddress(facts);
  if (facts.readAt) ReadRegisters(adapter, chosen.port, facts);
  return facts;
}
