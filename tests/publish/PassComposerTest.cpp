// Passes as the broker's subscribers get them: each row's value in the unit
// a lab's tools expect, beside its raw value and unit class, one type a key.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>

#include "publish/PassPublishing.h"
#include "tests/support/FakeRowControls.h"
#include "tests/support/QtPrinters.h"

namespace {

constexpr int kBatteryMode = 3, kTemperature = 8, kVoltage = 9, kCurrent = 10,
              kRemainingCapacity = 15, kRunTimeToEmpty = 17, kAtRate = 4, kSerialNumber = 28,
              kManufacturerName = 29, kDeviceName = 30, kManufacturerData = 32;

RowRecord Word(int row, int word, const QString& text = {}) {
  RowRecord record;
  record.row = row;
  record.text = text;
  record.ok = record.reached = record.replied = true;
  record.length = 2;
  record.reply[0] = static_cast<std::uint8_t>(word & 0xFF);
  record.reply[1] = static_cast<std::uint8_t>((word >> 8) & 0xFF);
  return record;
}

RowRecord Block(int row, const QByteArray& bytes, bool cutShort = false) {
  RowRecord record;
  record.row = row;
  record.ok = !cutShort;
  record.reached = record.replied = true;
  record.fit = cutShort ? ReplyFit::CutShort : ReplyFit::Complete;
  record.reply[0] = static_cast<std::uint8_t>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), record.reply.begin() + 1);
  record.length = cutShort ? 1 : int(bytes.size()) + 1;
  return record;
}

RowRecord Failed(int row, RowFault fault) {
  RowRecord record;
  record.row = row;
  record.text = "NACK";
  record.reached = true;
  record.fault = fault;
  return record;
}

QJsonObject Json(const QByteArray& text) {
  return QJsonDocument::fromJson(text).object();
}

}  // namespace

TEST(PassComposer, EachRowCarriesItsValueInSiUnitsAndEachKeyOneType) {
  FakeRowControlsSource controls;
  RegisterCatalogue catalogue;
  catalogue.BuildCatalogue(controls);
  const struct {
    std::vector<RowRecord> rows;  // the last is the row looked at
    const char* json;
  } cases[] = {
      {{Word(kVoltage, 12034)},
       R"({"name":"Voltage","class":"mv","ok":true,"raw":12034,"value":12.034,"unit":"V"})"},
      {{Word(kCurrent, -1500)},
       R"({"name":"Current","class":"+/-ma","ok":true,"raw":-1500,"value":-1.5,"unit":"A"})"},
      {{Word(kTemperature, 2981)},
       R"({"name":"Temperature","class":"0.1 degK","ok":true,"raw":2981,"value":24.95,)"
       R"("unit":"°C"})"},
      // A capacity's unit is BatteryMode's to say; unsaid, there is no value.
      {{Word(kRemainingCapacity, 4400)},
       R"({"name":"RemainingCapacity","class":"maH 10mwH","ok":true,"raw":4400})"},
      {{Word(kBatteryMode, 0x0000, "0000"), Word(kRemainingCapacity, 4400)},
       R"({"name":"RemainingCapacity","class":"maH 10mwH","ok":true,"raw":4400,"value":4.4,)"
       R"("unit":"Ah"})"},
      {{Word(kBatteryMode, 0x8000, "8000"), Word(kRemainingCapacity, 4400)},
       R"({"name":"RemainingCapacity","class":"maH 10mwH","ok":true,"raw":4400,"value":44,)"
       R"("unit":"Wh"})"},
      {{Word(kBatteryMode, 0x8000, "8000"), Word(kAtRate, -250)},
       R"({"name":"AtRate","class":"+/-ma 10mw","ok":true,"raw":-250,"value":-2.5,"unit":"W"})"},
      {{Word(kRunTimeToEmpty, 65535)},
       R"({"name":"RunTimeToEmpty","class":"min","ok":true,"raw":65535})"},
      {{Word(kBatteryMode, 0x6001, "6001")},
       R"({"name":"BatteryMode","class":"#H","ok":true,"raw":24577,"hex":"6001","value":24577})"},
      {{Block(kDeviceName, "PX-1")},
       R"({"name":"DeviceName","class":"string","ok":true,"text":"PX-1"})"},
      {{Block(kManufacturerData, QByteArray("\x01\xFF", 2))},
       R"({"name":"ManufacturerData","class":"block","ok":true,"bytes":[1,255]})"},
      {{Block(kDeviceName, "PX", true)},
       R"({"name":"DeviceName","class":"string","ok":false,"fault":"CUT SHORT"})"},
      {{Failed(kVoltage, RowFault::NoAcknowledge)},
       R"({"name":"Voltage","class":"mv","ok":false,"fault":"NACK"})"},
  };
  for (const auto& [rows, json] : cases) {
    PassComposer composer(catalogue);
    const PassMessage message = composer.Compose(QDateTime::currentDateTime(), rows, {});
    EXPECT_EQ(message.pass["registers"].toArray().last().toObject(), Json(json)) << json;
  }
}

// The pack's identity and its capacity mode hold for the passes that do not
// read them, until a row fails: the pack may have changed.
TEST(PassComposer, WhatAPassReadOfThePackHoldsUntilARowFails) {
  FakeRowControlsSource controls;
  RegisterCatalogue catalogue;
  catalogue.BuildCatalogue(controls);
  PassComposer composer(catalogue);
  const QDateTime start(QDate(2026, 12, 7), QTime(12, 22, 34, 602), QTimeZone("America/New_York"));
  const PassPlace place{"s1", 1, "16", {"USB", "/dev/i2c-7", "i2c-tiny-usb", 7}};
  composer.Compose(start,
                   {Word(kBatteryMode, 0x8000, "8000"), Word(kSerialNumber, 4711),
                    Block(kManufacturerName, "Acme"), Block(kDeviceName, "PX-1")},
                   place);
  const PassMessage later = composer.Compose(start, {Word(kRemainingCapacity, 4400)}, place);
  EXPECT_EQ(later.pass["pack"].toObject(),
            Json(R"({"maker":"Acme","device":"PX-1","serial":4711})"));
  EXPECT_EQ(later.pass["registers"][0]["unit"].toString(), "Wh");
  EXPECT_EQ(later.pass["start"].toString(), "2026-12-07T12:22:34.602-05:00");
  EXPECT_EQ(later.pass["ts"].toInteger(), start.toMSecsSinceEpoch());
  EXPECT_EQ(later.pass["adapter"].toObject(),
            Json(R"({"kind":"USB","device":"/dev/i2c-7","name":"i2c-tiny-usb","bus":7})"));
  EXPECT_EQ(later.latest.front().second,
            Json(QStringLiteral(R"({"ok":true,"raw":4400,"value":44,"unit":"Wh","ts":%1})")
                     .arg(start.toMSecsSinceEpoch())
                     .toUtf8()));
  const PassMessage failed = composer.Compose(
      start, {Failed(kVoltage, RowFault::BusTimeout), Word(kRemainingCapacity, 4400)}, place);
  EXPECT_FALSE(failed.pass.contains("pack"));
  EXPECT_FALSE(failed.pass["registers"][1].toObject().contains("value"));
  EXPECT_EQ(failed.latest.front().second["fault"].toString(), "TIMEOUT");
}
