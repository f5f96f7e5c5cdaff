#pragma once

// The conversions of the field decoders, with no widgets:
// data-field text to decoder value, word to controls and controls to word for
// each dialog, and the 95-character manufacturer data string. The dialogs in
// DecoderDialogs.h only move these values in and out of their controls.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>

// ---- Data-field text <-> decoder value -------------------------------------

// Reads a data field's text as hexadecimal: the digits alone, no prefix, either
// letter case. Empty text, or text with any other character (a blank, a sign, a
// "$" or "0x" prefix), gives 0.
//
// A text too long for 32 bits keeps its low 32 bits (the value modulo 2^32),
// so "123456789ABCD" gives 0x6789ABCD. A decoder only looks at the low 16 bits,
// so however long the text, what the dialog shows is its last four digits, the
// same rule that already makes 12345 show as 2345. A result of 0x80000000 or
// more lands in the signed decoder value as a negative number.
std::int32_t HexTextValue(QStringView text);

// The decoder value as the data field shows it: its low 16 bits as four
// upper-case hexadecimal digits ("C381").
QString DecoderWordText(std::int32_t value);

// ---- Check boxes of a bit field ---------------------------

// One check box of a bit-field dialog: control name, caption, mask and hint.
struct BitBox {
  const char* name;
  const char* caption;
  std::uint16_t mask;
  const char* hint;
};

inline constexpr int kBatteryModeBoxCount = 7;
inline constexpr int kBatteryStatusBoxCount = 10;
using BatteryModeBoxes = std::array<bool, kBatteryModeBoxCount>;
using BatteryStatusBoxes = std::array<bool, kBatteryStatusBoxCount>;

// BatteryMode's seven boxes, top to bottom.
const std::array<BitBox, kBatteryModeBoxCount>& BatteryModeBits();
// BatteryStatus's six alarm boxes then four status boxes, in the dialog's order.
const std::array<BitBox, kBatteryStatusBoxCount>& BatteryStatusBits();
inline constexpr int kBatteryStatusAlarmCount = 6;

// Word to boxes: a box is ticked when its mask is set; bits above 15 and bits
// without a box are not looked at.
BatteryModeBoxes BatteryModeFromWord(std::int32_t value);
// Boxes to word: the sum of the masks of the ticked boxes (0x0000 to 0xC383).
std::int32_t WordFromBatteryMode(const BatteryModeBoxes& boxes);

// ---- BatteryStatus -----------------------------------------------

inline constexpr int kErrorCodeCount = 8;
struct ErrorCodeItem {
  const char* item;
  const char* hintLine;
};
const std::array<ErrorCodeItem, kErrorCodeCount>& ErrorCodes();
// The radio group's hint: the eight hint lines joined by "\r\n".
QString ErrorCodesHint();

struct BatteryStatusControls {
  BatteryStatusBoxes boxes{};
  int errorCode = 0;  // the selected radio item; -1 for none
  bool operator==(const BatteryStatusControls&) const = default;
};

BatteryStatusControls BatteryStatusFromWord(std::int32_t value);
// Sum of the ticked masks plus (error code AND 7): bits 3, 10, 13 and above 15
// become 0. An unselected radio group (-1, which the dialog never leaves after
// a showing) gives code 7, as (-1 AND 7) does.
std::int32_t WordFromBatteryStatus(const BatteryStatusControls& controls);

// ---- SpecificationInfo ------------------------------------------

// The four list selections; -1 is no selection.
struct SpecInfoSelection {
  int revision = -1;  // entries "0" to "15": index = revision nibble
  int version = -1;   // entries "1" to "15": index = version nibble - 1
  int vScale = -1;    // entries "0" to "3": index = voltage scaling nibble
  int ipScale = -1;   // entries "0" to "3": index = current scaling nibble
  bool operator==(const SpecInfoSelection&) const = default;
};
inline constexpr int kRevisionEntries = 16;
inline constexpr int kVersionEntries = 15;
inline constexpr int kScaleEntries = 4;

// A nibble without an entry (version 0, a scaling nibble of 4 to 15) gives -1.
SpecInfoSelection SpecInfoFromWord(std::int32_t value);
// Revision = index AND 15; version = index + 1 (none gives 0); a scaling list
// without a selection carries its nibble over from openedWith, the decoder
// value the dialog was shown with. Everything above bit 15 becomes 0.
std::int32_t WordFromSpecInfo(const SpecInfoSelection& selection, std::int32_t openedWith);

// ---- ManufactureDate --------------------------------------------

// The three list selections; -1 is no selection.
struct DateSelection {
  int day = -1;    // entries "1" to "31": index = day - 1
  int month = -1;  // entries "1" to "12": index = month - 1
  int year = -1;   // entries "1980" to "2107": index = year - 1980
  bool operator==(const DateSelection&) const = default;
};
inline constexpr int kDayEntries = 31;
inline constexpr int kMonthEntries = 12;
inline constexpr int kYearEntries = 128;
inline constexpr int kFirstYear = 1980;

// Day 0 and months 0 and 13 to 15 give no selection; the year always has one.
DateSelection DateFromWord(std::int32_t value);
// (day index + 1) + (month index + 1) * 32 + (year index AND 0x7F) * 512; no
// day or month selection adds 0. No calendar check: 31 February packs as any
// other date.
std::int32_t WordFromDate(const DateSelection& selection);

// ---- Manufacturer data string -----------------------------------

inline constexpr int kMfgDataBytes = 31;
inline constexpr int kMfgDataStringLength = 95;
// Length 31; bytes 11, 22, 33, 44, then 27 bytes of 00.
QString DefaultMfgDataString();

// The editor's controls: the length list's selection (-1 for none) and the 31
// byte cells' texts.
struct MfgDataControls {
  int lengthIndex = -1;
  std::array<QString, kMfgDataBytes> cells;
  bool operator==(const MfgDataControls&) const = default;
};

// A string that is not exactly 95 characters is replaced by the default one.
// Characters 1-2 give the length (invalid: 31), selected as index
// (length AND 0x1F) - 1; byte k's two digits at characters 3k+1 and 3k+2
// (1-based) become its cell text as two upper-case digits (invalid: 00). The
// separators are not examined.
MfgDataControls MfgDataFromString(const QString& text);
// The length as (index + 1) in at least two upper-case digits ("00" for no
// selection), then for each cell "," and its hexadecimal value (HexTextValue)
// in at least two upper-case digits. Cells of at most two digits, as the
// editor's grid allows, keep the string at 95 characters.
QString MfgDataStringFrom(const MfgDataControls& controls);
