#pragma once

#include <QString>
#include <cstdint>

#include "link/LinkPorts.h"
#include "scan/sequencer/ScanObserver.h"

// The status text of an event code; codes outside the table share one text.
QString EventStatusText(std::uint16_t eventCode);

// What the status line says about a link that did not open.
QString LinkFailureText(const LinkFailure& failure);

// Draws the scan's events in the status line as the window shows them: every
// adapter event, the opening of the link, each transaction issued, a block
// read cut short and every call the adapter refused. Each text is also logged (pelmor.link, debug).
class StatusTexts : public ScanObserver {
 public:
  explicit StatusTexts(StatusLine& status) : status_(status) {}

  void AdapterReported(std::uint16_t eventCode) override;
  void LinkOpening() override;
  void LinkFailed(const LinkFailure& failure) override;
  void TransactionIssued(const RowTransaction& transaction) override;
  void RowRead(const RowReading& reading) override;
  void RowFailed(const RowFailure& failure) override;
  void ScanHalted(const ScanHalt& halt) override;

 private:
  void Show(const QString& text);

  StatusLine& status_;
};
