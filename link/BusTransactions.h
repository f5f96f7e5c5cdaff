#pragma once

#include <cstdint>
#include <optional>

#include "AdapterLibrary.h"
#include "LinkPorts.h"
#include "RegisterCatalogue.h"
#include "ScanLog.h"
#include "ScanPorts.h"
#include "ScanState.h"
#include "Timer.h"

// Issues the one bus transaction of the row at the scan's row index: a read
// (word or counted block, by the unit class) or a three-byte word write.
class BusTransactions : public ScanTransactions {
 public:
  struct Ports {
    AdapterLibrary& adapter;
    RegisterCatalogue& catalogue;
    LinkSettings& settings;
    StatusLine& status;
    ErrorReporter& errors;
    Timer& timer1;
    ScanLog& log;
  };

  // An accepted transaction that gets no outcome within this time is issued again.
  static constexpr int kGuardMs = 200;

  BusTransactions(ScanState& state, Ports ports);

  void ReadTransaction() override;
  void WriteTransaction() override;

  static constexpr const char* kNoAddressSelected =
      "The battery address list has no selected entry. Select an address, then try again.";

 private:
  std::optional<std::uint8_t> AddressByte();
  bool Refused(std::int32_t code);
  void Accepted(const QString& statusText);

  ScanState& state_;
  Ports ports_;
  // The text a write's first attempt sent. A fault puts its word into the
  // field, so a retry sends this text again rather than the fault word.
  QString firstAttemptText_;
};
