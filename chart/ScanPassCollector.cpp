#include "chart/ScanPassCollector.h"

void ScanPassCollector::PassStarted(const QDateTime& start) {
  pass_ = {start, {}};
  gathering_ = true;
}

void ScanPassCollector::TransactionIssued(const RowTransaction& transaction) {
  reading_ = transaction.read;
}

void ScanPassCollector::RowRead(const RowReading& reading) {
  if (gathering_) pass_.readings.push_back({reading.row, reading.text, false});
}

void ScanPassCollector::RowFailed(const RowFailure& failure) {
  if (gathering_ && reading_ && failure.givenUp)
    pass_.readings.push_back({failure.row, QString(), true});
}

void ScanPassCollector::PassEnded(const QDateTime&) {
  HandOver();
}

void ScanPassCollector::ScanStopped(ScanStop) {
  HandOver();
}

void ScanPassCollector::HandOver() {
  if (gathering_ && !pass_.readings.empty()) feed_.AddPass(pass_);
  pass_.readings.clear();
  gathering_ = false;
}
