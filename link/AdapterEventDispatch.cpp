#include "link/AdapterEventDispatch.h"

#include <cstring>

#include "battery/ReplyFit.h"
#include "battery/ValueCodec.h"
#include "link/FaultWords.h"

AdapterEventDispatch::AdapterEventDispatch(Ports ports, const ScanPolicy& policy)
    : ports_(ports), policy_(policy) {}

bool AdapterEventDispatch::TakeOutcome() {
  return ports_.sequencer.TakeOutcomeForCurrentRow();
}

void AdapterEventDispatch::DispatchAdapterEvent(std::uint16_t eventCode) {
  ports_.events.AdapterReported(eventCode);
  switch (static_cast<AdapterEvent>(eventCode)) {
    case AdapterEvent::LinkOpen:
      ports_.events.LinkOpened();
      ports_.sequencer.BeginScanOnLinkOpen();
      break;
    case AdapterEvent::NotResponding:
      ports_.events.LinkFailed({LinkFailure::Kind::NotResponding});
      break;
    case AdapterEvent::BusError:
      Fault(RowFault::BusError, true, policy_.busErrorPauseMs);
      break;
    case AdapterEvent::SlaveNack:
      Fault(RowFault::NoAcknowledge, true, policy_.retryPauseMs);
      break;
    case AdapterEvent::ArbitrationLoss:
      Fault(RowFault::ArbitrationLoss, false, policy_.retryPauseMs);
      break;
    // A transaction the adapter would not make is an attempt like any fault:
    // an address that stays busy is given up after its attempts instead of
    // being issued again without end.
    case AdapterEvent::Busy:
      Fault(RowFault::AdapterBusy, true, policy_.retryPauseMs);
      break;
    case AdapterEvent::BusTimeout:
      BusTimeout();
      break;
    case AdapterEvent::MasterTxComplete:
      if (!TakeOutcome()) break;
      ports_.timer1.Stop();
      ports_.events.RowWritten(ports_.sequencer.State().rowIndex);
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

void AdapterEventDispatch::FailAttempt(RowFault fault, int pauseMs, std::int32_t returnCode) {
  const ScanState& state = ports_.sequencer.State();
  ports_.events.RowFailed(
      {state.rowIndex, fault, state.AttemptNumber(), state.retryCounter <= 1, returnCode});
  ports_.sequencer.FailAttempt(pauseMs);
}

void AdapterEventDispatch::Fault(RowFault fault, bool stopsTimer, int pauseMs) {
  if (!TakeOutcome()) return;
  if (stopsTimer) ports_.timer1.Stop();
  ports_.catalogue.SetDataText(ports_.sequencer.State().rowIndex, FaultWord(fault));
  FailAttempt(fault, pauseMs);
}

// In the window a time-out is not an attempt: the word is shown and the scan
// stays where it is, for the person to wait or press Stop. A scan with no
// person to press Stop counts it, so a silent bus cannot hold it for ever.
void AdapterEventDispatch::BusTimeout() {
  if (!TakeOutcome()) return;
  const int row = ports_.sequencer.State().rowIndex;
  ports_.catalogue.SetDataText(row, FaultWord(RowFault::BusTimeout));
  if (policy_.timeoutIsAttempt) {
    ports_.timer1.Stop();
    FailAttempt(RowFault::BusTimeout, policy_.retryPauseMs);
  } else {
    ports_.events.RowFailed({row, RowFault::BusTimeout, 0, false});
  }
}

void AdapterEventDispatch::MasterRxComplete() {
  ports_.timer1.Stop();
  ReplyBuffer reply{};
  int length = 0;
  // A reply the adapter refuses to hand over is no reading: it is reported
  // and the row is tried again, instead of showing an empty buffer as a value.
  // A reply cut short or over-long is still a reading, judged as such: what
  // came is shown, and the log gets no value for it.
  const std::int32_t code =
      ports_.adapter.I2CGetMasterRxMsg(kReplyBufferSize, reply.data(), length);
  if (code != return_code::kAccepted) {
    FailAttempt(RowFault::ReplyRefused, policy_.retryPauseMs, code);
    return;
  }
  const int row = ports_.sequencer.State().rowIndex;
  const QString unit = ports_.catalogue.UnitClass(row);
  const ReplyFit fit = JudgeReply(unit, reply, length);
  const std::optional<ReplyBuffer> came = ReplyAsFarAsItCame(unit, reply, length);
  const QString text = came ? DecodeReply(unit, *came) : QString();
  ports_.catalogue.SetDataText(row, text);
  ports_.events.RowRead({row, reply, length, text, fit});
  const bool logged = fit == ReplyFit::Complete ? ports_.log.ValueStep(row, text)
                                                : ports_.log.FailurePlaceholder(row);
  if (!logged) {
    ports_.events.ScanHalted({ScanHalt::Reason::LogWriteFailed, row});
    return;
  }
  ports_.sequencer.CompleteRow();
}
