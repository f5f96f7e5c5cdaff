#include "link/StatusTexts.h"

#include <array>
#include <utility>

#include "battery/HexText.h"
#include "link/LinkControl.h"
#include "link/LinkLogging.h"
#include "link/ReturnCodeText.h"
#include "link/adapter/AdapterLibrary.h"

namespace {

constexpr std::array<std::pair<AdapterEvent, const char*>, kAdapterEventCount> kEventTexts{{
    {AdapterEvent::LinkOpen, "<<Kavix Link Open>>"},
    {AdapterEvent::NotResponding, "<<Kavix Not Responding, Check ComPort, Power...>>"},
    {AdapterEvent::Busy, "<<Kavix Busy>>"},
    {AdapterEvent::BusError, "<<I2C Bus Error Detected>>"},
    {AdapterEvent::SlaveNack, "<<Addressed Slave Not Acknowledging>>"},
    {AdapterEvent::ArbitrationLoss, "<<I2C Bus Arbitration Loss Detected>>"},
    {AdapterEvent::BusTimeout, "<<I2C Bus TimeOut Detected, Check Pull-Ups, Battery>>"},
    {AdapterEvent::MasterTxComplete, "<<I2C Master Tx Complete>>"},
    {AdapterEvent::MasterRxComplete, "<<I2C Master Rx Complete>>"},
    {AdapterEvent::SlaveRxReceived, "<<I2C Slave Message Received, Discarded>>"},
    {AdapterEvent::SlaveTxRequested, "<<I2C Slave Message Requested>>"},
    {AdapterEvent::SlaveAddrChanged, "<<I2C Slave Change Addr Complete>>"},
    {AdapterEvent::GeneralCallChanged, "<<I2C Slave General Call Change Complete>>"},
}};

QString RefusalText(std::int32_t code) {
  return StatusText(ReturnCodeText(code));
}

}  // namespace

QString EventStatusText(std::uint16_t eventCode) {
  for (const auto& [event, text] : kEventTexts) {
    if (static_cast<std::uint16_t>(event) == eventCode) return QString::fromLatin1(text);
  }
  return QStringLiteral("<<Unsupported Kavix Event Received>>");
}

QString LinkFailureText(const LinkFailure& failure) {
  switch (failure.kind) {
    case LinkFailure::Kind::NoPortSelected:
      return QString::fromLatin1(LinkControl::kNoComPortSelected);
    case LinkFailure::Kind::NotResponding:
      return EventStatusText(static_cast<std::uint16_t>(AdapterEvent::NotResponding));
    case LinkFailure::Kind::StatusRefused:
    case LinkFailure::Kind::OpenRefused:
      break;
  }
  return RefusalText(failure.returnCode);
}

void StatusTexts::Show(const QString& text) {
  qCDebug(lcLink).noquote() << text;
  status_.ShowStatus(text);
}

void StatusTexts::AdapterReported(std::uint16_t eventCode) {
  Show(EventStatusText(eventCode));
}

void StatusTexts::LinkOpening() {
  Show(QStringLiteral("<<Attempting to Open Kavix Link>>"));
}

// A missing port selection is an error box, and a silent adapter has shown
// its own event already; only a refused call has a text of its own here.
void StatusTexts::LinkFailed(const LinkFailure& failure) {
  if (failure.kind == LinkFailure::Kind::StatusRefused ||
      failure.kind == LinkFailure::Kind::OpenRefused) {
    Show(RefusalText(failure.returnCode));
  }
}

void StatusTexts::TransactionIssued(const RowTransaction& transaction) {
  QString text = transaction.read ? QStringLiteral("<<Master Tx/Rx Msg [START][x")
                                  : QStringLiteral("<<Master Tx Msg [START][x");
  text += HexText(transaction.address, 2) + QStringLiteral("+W]");
  for (std::uint8_t byte : transaction.bytes) {
    text += QStringLiteral("[x") + HexText(byte, 2) + QLatin1Char(']');
  }
  Show(text + QStringLiteral("[STOP]>>"));
}

void StatusTexts::RowRead(const RowReading& reading) {
  if (reading.fit != ReplyFit::Complete) {
    Show(QStringLiteral("<<I2C Master Rx Complete, Reply %1>>").arg(ReplyFitWords(reading.fit)));
  }
}

void StatusTexts::RowFailed(const RowFailure& failure) {
  if (failure.fault == RowFault::ReplyRefused) Show(RefusalText(failure.returnCode));
}

void StatusTexts::ScanHalted(const ScanHalt& halt) {
  if (halt.reason == ScanHalt::Reason::TransactionRefused) Show(RefusalText(halt.returnCode));
}
