#pragma once

#include "battery/RegisterCatalogue.h"
#include "scan/sequencer/ScanObserver.h"

// Logs what each row and pass came to (pelmor.scan, debug): what --verbose
// shows beside the status texts.
class ScanOutcomeLog : public ScanObserver {
 public:
  explicit ScanOutcomeLog(const RegisterCatalogue& catalogue) : catalogue_(catalogue) {}

  void LinkFailed(const LinkFailure& failure) override;
  void PassStarted(const QDateTime& start) override;
  void RowRead(const RowReading& reading) override;
  void RowWritten(int row) override;
  void RowFailed(const RowFailure& failure) override;
  void PassEnded(const QDateTime& start) override;
  void ScanStopped(ScanStop reason) override;
  void ScanHalted(const ScanHalt& halt) override;

 private:
  const RegisterCatalogue& catalogue_;
};
