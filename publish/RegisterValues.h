#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

#include "battery/RegisterCatalogue.h"
#include "scan/RowRecord.h"

// How the pack counts capacity and rate: BatteryMode's CAPACITY_MODE bit.
enum class CapacityUnits { Unknown, MilliampHours, TenMilliwattHours };
CapacityUnits CapacityUnitsOf(int batteryMode);

// A word in the unit a lab's tools expect (V, A, °C, Ah or Wh, W, %, min),
// or as the number it is where it has no unit (counts, flags, dates).
struct SiValue {
  double value = 0;
  QString unit;  // empty: a plain number
};
// None for a class that holds no number, for a capacity or rate whose mode
// is not known, and for 65535 minutes, a pack's word for "no time to tell".
std::optional<SiValue> SiValueOf(const QString& unitClass, int raw, CapacityUnits mode);

// A row as a pass's message carries it, each key with one type:
//   {"name","class","ok":true,"raw":12034,"value":12.034,"unit":"V"}  a word
//   {"name","class","ok":true,"raw":24577,"hex":"6001","value":24577} a flag word
//   {"name","class","ok":true,"text":"..."}                          a string
//   {"name","class","ok":true,"bytes":[1,2,3]}                       a block
//   {"name","class","ok":false,"fault":"NACK"}                       given up
// A reply cut short or over-long is no value: ok false, fault "CUT SHORT" or "OVER-LONG".
QJsonObject RegisterJson(const RowRecord& row, const RegisterCatalogue& catalogue,
                         CapacityUnits mode);

// A register's retained state: the row's value keys (value and unit, text or
// bytes) or its fault, and when it was read ("ts", Unix milliseconds).
QJsonObject RegisterState(const QJsonObject& registerJson, const QDateTime& start);

// RFC 3339 with the offset of the time's zone: "2026-12-07T12:22:34.602-05:00".
QString Rfc3339(const QDateTime& time);
