#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

#include "battery/ReplyFit.h"
#include "battery/ValueCodec.h"

// What happens in a scan, as values. The scan engine tells every observer;
// the window's status line is drawn from these events, the command line
// decides its output and exit status from them, and later readers (charts,
// publishing) take the readings from them.

// Why the link did not open.
struct LinkFailure {
  enum class Kind {
    NoPortSelected,  // the COM port list has no selected entry
    StatusRefused,   // the adapter refused the status query
    OpenRefused,     // the adapter refused the open request
    NotResponding,   // the adapter reported that it does not answer
  };
  Kind kind;
  std::int32_t returnCode = 0;  // of a refused call
};

// A bus transaction the adapter accepted for a row.
struct RowTransaction {
  int row = 0;
  bool read = true;
  std::uint8_t address = 0;         // the address byte
  std::vector<std::uint8_t> bytes;  // sent: the command, and a write's low and high byte
  bool firstAttempt = true;         // false when the row is issued again
};

// A row's reply arrived.
struct RowReading {
  int row = 0;
  ReplyBuffer reply{};  // as the adapter handed it over
  int length = 0;       // the bytes it handed over
  QString text;         // as the row's data field shows it: what came
  // Whether the bytes are the whole reply; a reply cut short or over-long is
  // no value.
  ReplyFit fit = ReplyFit::Complete;
};

enum class RowFault {
  BusError,
  NoAcknowledge,
  ArbitrationLoss,
  BusTimeout,
  ReplyRefused,
  // The adapter did not make the transaction: it reported itself busy, as a
  // real adapter does for an address that a kernel driver holds.
  AdapterBusy,
};

// One attempt at a row failed.
struct RowFailure {
  int row = 0;
  RowFault fault = RowFault::BusError;
  // Which attempt this was, from 1; 0 for a fault that is not counted as an
  // attempt (a bus time-out in the window), which leaves the row where it is.
  int attempt = 0;
  // The last attempt failed: the scan goes on with the next row.
  bool givenUp = false;
  std::int32_t returnCode = 0;  // of a refused reply hand-over
};

// Why a running scan stopped running.
enum class ScanStop {
  Finished,     // the pass is over and no further pass is wanted
  StopPressed,  // the person pressed Stop; a row in flight still finishes
  TabSwitched,  // the mode changed (the window's tab strip); a row in flight still finishes
};

// Why a scan, or one about to start, came to rest where it stands: it goes no
// further until the person presses the button.
struct ScanHalt {
  enum class Reason {
    NothingSelected,     // no row ticked at the press of Read Data
    NoAddressSelected,   // the battery address list has no selected entry
    TransactionRefused,  // the adapter refused a row's transaction
    LogWriteFailed,      // a log step failed: the scan rests on its row
    WriteTextRefused,    // a ticked row's text is not exactly one word: nothing is written
  };
  Reason reason;
  int row = -1;                 // the row the scan rests on, where there is one
  std::int32_t returnCode = 0;  // of a refused transaction
};

class ScanObserver {
 public:
  virtual ~ScanObserver() = default;

  // Every adapter event, before the scan acts on it.
  virtual void AdapterReported(std::uint16_t /*eventCode*/) {}
  virtual void LinkOpening() {}
  virtual void LinkOpened() {}
  virtual void LinkFailed(const LinkFailure& /*failure*/) {}
  virtual void LinkClosed() {}
  virtual void PassStarted(const QDateTime& /*start*/) {}
  virtual void TransactionIssued(const RowTransaction& /*transaction*/) {}
  virtual void RowRead(const RowReading& /*reading*/) {}
  virtual void RowWritten(int /*row*/) {}
  virtual void RowFailed(const RowFailure& /*failure*/) {}
  // No row of the pass that started at `start` is left.
  virtual void PassEnded(const QDateTime& /*start*/) {}
  // After the link has closed, where the scan closes it.
  virtual void ScanStopped(ScanStop /*reason*/) {}
  virtual void ScanHalted(const ScanHalt& /*halt*/) {}
};
