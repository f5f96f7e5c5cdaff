#pragma once

#include <cstdint>
#include <optional>

#include "battery/RegisterCatalogue.h"
#include "link/LinkPorts.h"
#include "link/adapter/AdapterLibrary.h"
#include "scan/sequencer/ScanLog.h"
#include "scan/sequencer/ScanObserver.h"
#include "scan/sequencer/ScanPolicy.h"
#include "scan/sequencer/ScanPorts.h"
#include "scan/sequencer/ScanState.h"
#include "timing/Timer.h"

// Issues the one bus transaction of the row at the scan's row index: a read
// (word or counted block, by the unit class) or a three-byte word write.
class BusTransactions : public ScanTransactions {
 public:
  struct Ports {
    AdapterLibrary& adapter;
    RegisterCatalogue& catalogue;
    LinkSettings& settings;
    ErrorReporter& errors;
    Timer& timer1;
    ScanLog& log;
    ScanObserver& events;
  };

  BusTransactions(ScanState& state, Ports ports, const ScanPolicy& policy);

  void ReadTransaction() override;
  void WriteTransaction() override;

  static constexpr const char* kNoAddressSelected =
      "The battery address list has no selected entry. Select an address, then try again.";

 private:
  std::optional<std::uint8_t> AddressByte();
  // Tells the observers of the call's fate: a refusal halts the scan on the
  // row; an accepted transaction is guarded.
  bool Refused(std::int32_t code);
  void Accepted(RowTransaction transaction);

  ScanState& state_;
  Ports ports_;
  const ScanPolicy& policy_;
  // The text a write's first attempt sent. A fault puts its word into the
  // field, so a retry sends this text again rather than the fault word.
  QString firstAttemptText_;
};
