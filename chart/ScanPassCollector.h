#pragma once

#include "chart/ChartPass.h"
#include "scan/sequencer/ScanObserver.h"

// Gathers each read pass of a running scan from its typed events and hands it
// to a feed as the pass ends: the values read, and the rows given up as gaps.
// A pass the scan stopped before its end is handed over with the rows it got.
class ScanPassCollector : public ScanObserver {
 public:
  explicit ScanPassCollector(PassFeed& feed) : feed_(feed) {}

  void PassStarted(const QDateTime& start) override;
  void TransactionIssued(const RowTransaction& transaction) override;
  void RowRead(const RowReading& reading) override;
  void RowFailed(const RowFailure& failure) override;
  void PassEnded(const QDateTime& start) override;
  void ScanStopped(ScanStop reason) override;

 private:
  void HandOver();

  PassFeed& feed_;
  ChartPass pass_;
  bool gathering_ = false;
  bool reading_ = false;  // the row in hand is being read, not written
};
