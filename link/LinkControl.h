#pragma once

#include <cstdint>

#include "link/LinkPorts.h"
#include "link/adapter/AdapterLibrary.h"
#include "scan/sequencer/ScanObserver.h"
#include "scan/sequencer/ScanPorts.h"

// Opens and closes the adapter link on the chosen COM port and asks whether it
// is open. The program keeps no link flag of its own: the adapter is asked.
class LinkControl : public ScanLink {
 public:
  struct Ports {
    AdapterLibrary& adapter;
    LinkSettings& settings;
    ErrorReporter& errors;
    ScanObserver& events;
  };

  LinkControl(Ports ports, AdapterEventCallback eventCallback);

  // A failing status query is reported and counts as unknown: the scan then
  // neither opens the link nor starts.
  LinkStatus QueryLink() override;
  void OpenLink() override;
  bool CloseLink() override;

  // The entry's text as a decimal port number; anything else ("None", the
  // empty entry) is port 0.
  static std::uint8_t ComPortNumber(const QString& entry);

  static constexpr const char* kNoComPortSelected =
      "The COM port list has no selected entry. Select a port, then press Read Data again.";

 private:
  Ports ports_;
  AdapterEventCallback eventCallback_;
};
