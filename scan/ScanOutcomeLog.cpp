#include "scan/ScanOutcomeLog.h"

#include "link/FaultWords.h"
#include "link/StatusTexts.h"
#include "scan/ScanLogging.h"

Q_LOGGING_CATEGORY(lcScan, "pelmor.scan", QtInfoMsg)

namespace {

const char* HaltText(ScanHalt::Reason reason) {
  switch (reason) {
    case ScanHalt::Reason::NothingSelected:
      return "no register is ticked";
    case ScanHalt::Reason::NoAddressSelected:
      return "no battery address is selected";
    case ScanHalt::Reason::TransactionRefused:
      return "the adapter refused the transaction";
    case ScanHalt::Reason::LogWriteFailed:
      return "the log could not be written";
    case ScanHalt::Reason::WriteTextRefused:
      return "a text to write is not one value of its register";
  }
  return "";
}

}  // namespace

void ScanOutcomeLog::LinkFailed(const LinkFailure& failure) {
  qCDebug(lcScan).noquote() << "link not open:" << LinkFailureText(failure);
}

void ScanOutcomeLog::PassStarted(const QDateTime& start) {
  qCDebug(lcScan).noquote() << "pass started" << start.toString(Qt::ISODateWithMs);
}

void ScanOutcomeLog::RowRead(const RowReading& reading) {
  qCDebug(lcScan).noquote() << catalogue_.RegisterName(reading.row) << "read:" << reading.text
                            << ReplyFitWords(reading.fit);
}

void ScanOutcomeLog::RowWritten(int row) {
  qCDebug(lcScan).noquote() << catalogue_.RegisterName(row) << "written";
}

void ScanOutcomeLog::RowFailed(const RowFailure& failure) {
  const QString fault = failure.fault == RowFault::ReplyRefused ? QStringLiteral("reply refused")
                                                                : FaultWord(failure.fault);
  if (failure.attempt == 0) {
    qCDebug(lcScan).noquote() << catalogue_.RegisterName(failure.row) << fault
                              << "(not counted as an attempt)";
    return;
  }
  qCDebug(lcScan).noquote() << catalogue_.RegisterName(failure.row) << fault << "at attempt"
                            << failure.attempt << (failure.givenUp ? "(given up)" : "");
}

void ScanOutcomeLog::PassEnded(const QDateTime& start) {
  qCDebug(lcScan).noquote() << "pass of" << start.toString(Qt::ISODateWithMs) << "ended";
}

void ScanOutcomeLog::ScanStopped(ScanStop reason) {
  const char* why = reason == ScanStop::Finished      ? "no further pass is wanted"
                    : reason == ScanStop::StopPressed ? "Stop was pressed"
                                                      : "the tab changed";
  qCDebug(lcScan).noquote() << "scan stopped:" << why;
}

void ScanOutcomeLog::ScanHalted(const ScanHalt& halt) {
  qCDebug(lcScan).noquote() << "scan halted:" << HaltText(halt.reason);
}
