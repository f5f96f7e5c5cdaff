#include "AdapterEventDispatch.h"

#include <array>
#include <cstring>
#include <utility>

#include "ReturnCodeText.h"
#include "ValueCodec.h"

namespace {

constexpr std::array<std::pair<AdapterEvent, const char*>, kAdapterEventCount> kStatusTexts{{
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

constexpr int kBusErrorPauseMs = 1000;
constexpr int kRetryPauseMs = 100;

}  // namespace

AdapterEventDispatch::AdapterEventDispatch(Ports ports) : ports_(ports) {}

QString AdapterEventDispatch::EventStatusText(std::uint16_t eventCode) {
  for (const auto& [event, text] : kStatusTexts) {
    if (static_cast<std::uint16_t>(event) == eventCode) return QString::fromLatin1(text);
  }
  return QStringLiteral("<<Unsupported Kavix Event Received>>");
}

bool AdapterEventDispatch::TakeOutcome() {
  return ports_.sequencer.TakeOutcomeForCurrentRow();
}

void AdapterEventDispatch::DispatchAdapterEvent(std::uint16_t eventCode) {
  ports_.status.ShowStatus(EventStatusText(eventCode));
  switch (static_cast<AdapterEvent>(eventCode)) {
    case AdapterEvent::LinkOpen:
      ports_.sequencer.BeginScanOnLinkOpen();
      break;
    case AdapterEvent::BusError:
      Fault("BUSERR", true, kBusErrorPauseMs);
      break;
    case AdapterEvent::SlaveNack:
      Fault("NACK", true, kRetryPauseMs);
      break;
    case AdapterEvent::ArbitrationLoss:
      Fault("ARBLOSS", false, kRetryPauseMs);
      break;
    case AdapterEvent::BusTimeout:
      // Not an attempt: the word is shown and the scan stays where it is.
      if (TakeOutcome()) {
        ports_.catalogue.SetDataText(ports_.sequencer.State().rowIndex, QStringLiteral("TIMEOUT"));
      }
      break;
    case AdapterEvent::MasterTxComplete:
      if (!TakeOutcome()) break;
      ports_.timer1.Stop();
      ports_.sequencer.CompleteRow();
      break;
    case AdapterEvent::MasterRxComplete:
      if (TakeOutcome()) MasterRxComplete();
      break;
    case AdapterEvent::SlaveRxReceived: {
      std::uint8_t scratch[1];
      ports_.adapter.I2CGetSlaveRxMsg(1, scratch);
      break;
    }
    case AdapterEvent::SlaveTxRequested:
      ports_.adapter.I2CSlaveTx(reinterpret_cast<const std::uint8_t*>(kSlaveReply),
                                static_cast<int>(std::strlen(kSlaveReply)));
      break;
    default:
      break;
  }
}

void AdapterEventDispatch::Fault(const char* faultWord, bool stopsTimer, int pauseMs) {
  if (!TakeOutcome()) return;
  if (stopsTimer) ports_.timer1.Stop();
  ports_.catalogue.SetDataText(ports_.sequencer.State().rowIndex, QString::fromLatin1(faultWord));
  ports_.sequencer.FailAttempt(pauseMs);
}

void AdapterEventDispatch::MasterRxComplete() {
  ports_.timer1.Stop();
  ReplyBuffer reply{};
  // A reply the adapter refuses to hand over is no reading: it is reported
  // and the row is tried again, instead of showing an empty buffer as a value.
  const std::int32_t code = ports_.adapter.I2CGetMasterRxMsg(kReplyBufferSize, reply.data());
  if (code != return_code::kAccepted) {
    ports_.status.ShowStatus(StatusText(ReturnCodeText(code)));
    ports_.sequencer.FailAttempt(kRetryPauseMs);
    return;
  }
  const int row = ports_.sequencer.State().rowIndex;
  const QString text = DecodeReply(ports_.catalogue.UnitClass(row), reply);
  ports_.catalogue.SetDataText(row, text);
  if (!ports_.log.ValueStep(text)) return;
  ports_.sequencer.CompleteRow();
}
