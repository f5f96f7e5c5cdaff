#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

#include "battery/RegisterCatalogue.h"
#include "battery/ValueCodec.h"
#include "scan/sequencer/ScanObserver.h"

// What one row of a pass came to, gathered from the scan's typed events.
struct RowRecord {
  int row = 0;
  QString text;  // the data field's text: the value, or the last fault word
  bool ok = false;
  bool cutShort = false;          // a block read only in part: not ok, its text what was read
  ReplyBuffer reply{};            // of a row read, as the adapter handed it over
  std::optional<RowFault> fault;  // of a row given up: its last fault
};

// A row as JSON for scripts and brokers, its value in its own type from the
// reply itself: a number (signed where the unit is; a hexadecimal word also
// as its digits), a string's characters, a block's bytes. A row not read has
// no value, and the fault word it was given up with.
QJsonObject RowJson(const RowRecord& row, const RegisterCatalogue& catalogue);
