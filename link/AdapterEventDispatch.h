#pragma once

#include <cstdint>

#include "battery/RegisterCatalogue.h"
#include "link/adapter/AdapterLibrary.h"
#include "scan/sequencer/ScanLog.h"
#include "scan/sequencer/ScanObserver.h"
#include "scan/sequencer/ScanPolicy.h"
#include "scan/sequencer/ScanSequencer.h"
#include "timing/Timer.h"

// Turns each adapter event into the scan's typed events and, for transaction
// outcomes, into the row's value or fault word and the scan's next step.
class AdapterEventDispatch {
 public:
  struct Ports {
    AdapterLibrary& adapter;
    RegisterCatalogue& catalogue;
    ScanSequencer& sequencer;
    Timer& timer1;
    ScanLog& log;
    ScanObserver& events;
  };

  static constexpr const char* kSlaveReply = "Hello from Kavix";

  AdapterEventDispatch(Ports ports, const ScanPolicy& policy);

  void DispatchAdapterEvent(std::uint16_t eventCode);

 private:
  void Fault(RowFault fault, bool stopsTimer, int pauseMs);
  void BusTimeout();
  void MasterRxComplete();
  // Tells the observers which attempt failed and whether it was the last,
  // then counts it.
  void FailAttempt(RowFault fault, int pauseMs, std::int32_t returnCode = 0);

  // Whether an outcome belongs to the row the scan is at. One that does not
  // (the pass is over, a stopped scan's late outcome, a duplicate) shows its
  // status text and changes nothing else.
  bool TakeOutcome();

  Ports ports_;
  const ScanPolicy& policy_;
};
