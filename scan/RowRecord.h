#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

#include "battery/RegisterCatalogue.h"
#include "battery/ReplyFit.h"
#include "battery/ValueCodec.h"
#include "scan/sequencer/ScanObserver.h"

// What one row of a pass came to, gathered from the scan's typed events.
struct RowRecord {
  int row = 0;
  // The data field's text: what came, or the last fault word; empty for a
  // row the pass never reached.
  QString text;
  bool ok = false;                    // read whole, or written
  bool reached = false;               // the pass came to the row: it has an outcome
  bool replied = false;               // a reply came, whole or not
  ReplyFit fit = ReplyFit::Complete;  // of the reply
  ReplyBuffer reply{};                // as the adapter handed it over
  int length = 0;                     // its bytes
  std::optional<RowFault> fault;      // of a row given up: its last fault
};

// A row as JSON for scripts and brokers, its value in its own type from the
// reply itself: a number (signed where the unit is; a hexadecimal word also
// as its digits), a string's characters, a block's bytes. A reply cut short
// or over-long says so ("reply") and is not ok; its value is what came. A
// row not read has no value: the fault word it was given up with, or
// "reached": false for a row the pass never came to.
QJsonObject RowJson(const RowRecord& row, const RegisterCatalogue& catalogue);
