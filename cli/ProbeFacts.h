#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/adapter/BusAddress.h"
#include "link/adapter/BusProbe.h"
#include "scan/RowRecord.h"

// What `pelmor probe` found, step by step: the facts its verdicts and its
// conclusion rest on, gathered before anything is judged.

// The sweep of every 7-bit address that a device may use.
inline constexpr std::uint8_t kFirstSweptAddress = 0x08;
inline constexpr std::uint8_t kLastSweptAddress = 0x77;
// A sweep stops after this many time-outs in a row: a bus that hangs at every
// address needs no minute of waiting to show it.
inline constexpr int kTimeoutsThatEndASweep = 4;

struct SweepFacts {
  bool done = false;  // the adapter could touch an address read-only
  std::vector<std::uint8_t> acknowledged;
  std::vector<std::pair<std::uint8_t, std::string>> held;  // address, driver
  int touched = 0;
  int timeouts = 0;
  int busErrors = 0;
  bool cutShort = false;  // stopped after time-outs in a row
  double seconds = 0;
};

// One register read twice through the scan: what each pass's row came to,
// its reply as the adapter handed it over, or its fault.
struct RegisterFacts {
  QString name;
  QString unitClass;
  std::array<RowRecord, 2> readings = {};
};

struct ProbeFacts {
  std::vector<ProbedAdapter> adapters;
  std::optional<ProbedAdapter> chosen;  // the adapter probed
  std::string openFailure;              // why it could not be opened for probing
  std::optional<BusClock> clock;        // of the chosen adapter's bus, when it is listed
  std::uint8_t address = 0x0B;          // the battery's 7-bit address asked for
  std::optional<AddressHolder> holder;  // at that address
  SweepFacts sweep;
  std::optional<std::uint8_t> readAt;    // where the battery's registers were read
  std::vector<RegisterFacts> registers;  // SpecificationInfo, ManufacturerName, DeviceName, Voltage
  int brokenAttempts = 0;                // bus errors and arbitration losses while reading
  QString linkFailure;                   // the adapter library's link did not open
};
