#pragma once

#include <cstdint>

#include "AdapterLibrary.h"
#include "LinkPorts.h"
#include "RegisterCatalogue.h"
#include "ScanLog.h"
#include "ScanSequencer.h"
#include "Timer.h"

// Turns each adapter event into its status text and, for transaction
// outcomes, into the row's value or fault word and the scan's next step.
class AdapterEventDispatch {
 public:
  struct Ports {
    AdapterLibrary& adapter;
    RegisterCatalogue& catalogue;
    ScanSequencer& sequencer;
    StatusLine& status;
    Timer& timer1;
    ScanLog& log;
  };

  static constexpr const char* kSlaveReply = "Hello from Kavix";

  explicit AdapterEventDispatch(Ports ports);

  void DispatchAdapterEvent(std::uint16_t eventCode);

  // The status text of an event code; codes outside the table share one text.
  static QString EventStatusText(std::uint16_t eventCode);

 private:
  void Fault(const char* faultWord, bool stopsTimer, int pauseMs);
  void MasterRxComplete();

  // Whether an outcome belongs to the row the scan is at. One that does not
  // (the pass is over, a stopped scan's late outcome, a duplicate) shows its
  // status text and changes nothing else.
  bool TakeOutcome();

  Ports ports_;
};
