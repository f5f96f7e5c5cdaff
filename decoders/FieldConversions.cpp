#include "decoders/FieldConversions.h"

#include <algorithm>

#include "battery/HexText.h"

// The hints are kept word for word (their spelling included); their "\r\n"
// line breaks are written as "\n", the line break of a Qt tip.

namespace {

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

// Characters 1-based from..from+1 of text as a hexadecimal number, or -1.
int HexPair(const QString& text, int from) {
  const QStringView pair = QStringView(text).mid(from - 1, 2);
  if (pair.size() != 2 || HexDigit(pair[0]) < 0 || HexDigit(pair[1]) < 0) return -1;
  return HexDigit(pair[0]) * 16 + HexDigit(pair[1]);
}

std::uint32_t Unsigned(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

std::int32_t Signed(std::uint32_t value) {
  return static_cast<std::int32_t>(value);
}

template <std::size_t N>
std::array<bool, N> BoxesFromWord(std::int32_t value, const std::array<BitBox, N>& bits) {
  std::array<bool, N> boxes{};
  for (std::size_t i = 0; i < N; ++i) boxes[i] = (Unsigned(value) & bits[i].mask) != 0;
  return boxes;
}

template <std::size_t N>
std::uint32_t WordFromBoxes(const std::array<bool, N>& boxes, const std::array<BitBox, N>& bits) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < N; ++i) {
    if (boxes[i]) word |= bits[i].mask;
  }
  return word;
}

// The list index of a field value shown by entries first .. first + count - 1;
// -1 when no entry shows it.
int EntryIndex(std::uint32_t fieldValue, int first, int count) {
  const int index = static_cast<int>(fieldValue) - first;
  return index >= 0 && index < count ? index : -1;
}

}  // namespace

std::int32_t HexTextValue(QStringView text) {
  if (text.isEmpty()) return 0;
  std::uint32_t value = 0;
  for (const QChar c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return 0;
    value = (value << 4) | static_cast<std::uint32_t>(digit);  // keeps the low 32 bits
  }
  return Signed(value);
}

QString DecoderWordText(std::int32_t value) {
  return HexText(Unsigned(value) & 0xFFFF, 4);
}

const std::array<BitBox, kBatteryModeBoxCount>& BatteryModeBits() {
  static const std::array<BitBox, kBatteryModeBoxCount> bits{{
      {"INTERNAL_CHARGE_CONTROLLER", "INTERNAL_CHARGE_CONTROLLER", 0x0001,
       "When set indicates that the battery pack contains its own internal\n"
       "charge controller. When the bit is set, this optional function is\n"
       "supported and the CHARGE_CONTROLLER_ENABLED bit will be activated."},
      {"PRIMARY_BATTERY_SUPPORT", "PRIMARY_BATTERY_SUPPORT", 0x0002,
       "When set indicates that the battery pack has the ability to act as\n"
       "either the primary or secondary battery in a system. When the bit\n"
       "is set, this optional function is supported and the PRIMARY_BATTERY\n"
       "bit will be activated."},
      {"CONDITION_FLAG", "CONDITION_FLAG", 0x0080,
       "When set indicates that the battery is requesting a conditioning cycle.\n"
       "Cleared when the conditioning cycle is complete."},
      {"CHARGE_CONTROLLER_ENABLED", "CHARGE_CONTROLLER_ENABLED", 0x0100,
       "Set to enable the battery pack`s internal charge control. This bit\n"
       "is active only when the INTERNAL_CHARGE_CONTROLLER bit is set."},
      {"PRIMARY_BATTERY", "PRIMARY_BATTERY", 0x0200,
       "Set to enable a battery to operate as the primary battery in a system.\n"
       "This bit is active only when the PRIMARY_BATTERY_SUPPORT bit is set."},
      {"CHARGER_MODE", "CHARGER_MODE", 0x4000,
       "Clear to enable the Smart Battery to transmit ChargingCurrent()\n"
       "and ChargingVoltage() messages to the Smart Battery Charger.\n"
       "Set to disable message generation."},
      {"CAPACITY_MODE", "CAPACITY_MODE", 0x8000,
       "Clear to indicate capacity information reported in ma/maH units.\n"
       "Set to report in 10mw/10mwH units."},
  }};
  return bits;
}

const std::array<BitBox, kBatteryStatusBoxCount>& BatteryStatusBits() {
  static const std::array<BitBox, kBatteryStatusBoxCount> bits{{
      {"OVER_CHARGED_ALARM", "OVER_CHARGED_ALARM (1)", 0x8000,
       "Set when the Smart Battery detects that it is being charged beyond\n"
       "an end-of-charge indication.\n"
       "Cleared when the battery detects that it is no longer being\n"
       "over-charged."},
      {"TERMINATE_CHARGE_ALARM", "TERMINATE_CHARGE_ALARM (1)", 0x4000,
       "Set when the Smart Battery detects that one or more of its charging\n"
       "paremeters are out of range (e.g. its voltage or current are too\n"
       "high).\n"
       "Cleared when the parameter falls back into the allowable range."},
      {"OVER_TEMP_ALARM", "OVER_TEMP_ALARM (1)", 0x1000,
       "Set when the Smart Battery detects that its internal temperature is\n"
       "greater than allowed.\n"
       "Cleared when the internal temperature falls back into the acceptable\n"
       "range."},
      {"TERMINATE_DISCHARGE_ALARM", "TERMINATE_DISCHARGE_ALARM (1)", 0x0800,
       "Set when the Smart Battery determines that it has supplied all the\n"
       "charge it can without being damaged.\n"
       "Cleared when the battery reaches a state-of-charge sufficient for it to\n"
       "once again safely supply power."},
      {"REMAINING_CAPACITY_ALARM", "REMAINING_CAPACITY_ALARM (2)", 0x0200,
       "Set when the Smart Battery detects that its RemainingCapacity() is\n"
       "less than the RemainingCapacityAlarm().\n"
       "Cleared when the RemainingCapacity() is greater than the\n"
       "RemainingCapacityAlarm()."},
      {"REMAINING_TIME_ALARM", "REMAINING_TIME_ALARM (2)", 0x0100,
       "Set when the Smart Battery detects that the estimated remaining time\n"
       "at the present discharge rate is less than the RemainingTimeAlarm()."},
      {"INITIALIZED", "INITIALIZED", 0x0080,
       "Set when the Smart Battery is calibrated at time of manufacture.\n"
       "Cleared when the battery detects that its calibration data has been\n"
       "lost or altered."},
      {"DISCHARGING", "DISCHARGING", 0x0040,
       "Set when the Smart Battery determines that it is not being charged.\n"
       "Cleared when the battery detects that it is being charged."},
      {"FULLY_CHARGED", "FULLY_CHARGED", 0x0020,
       "Set when the Smart Battery determines that it has reached a charge\n"
       "termination point.\n"
       "Cleared when the battery may be charged again."},
      {"FULLY_DISCHARGED", "FULLY_DISCHARGED", 0x0010,
       "Set when the Smart Battery determines that it has supplied all the\n"
       "charge it can without being damaged.\n"
       "Cleared when the RelativeStateOfCharge() is greater than or equal\n"
       "to 20%."},
  }};
  return bits;
}

BatteryModeBoxes BatteryModeFromWord(std::int32_t value) {
  return BoxesFromWord(value, BatteryModeBits());
}

std::int32_t WordFromBatteryMode(const BatteryModeBoxes& boxes) {
  return Signed(WordFromBoxes(boxes, BatteryModeBits()));
}

const std::array<ErrorCodeItem, kErrorCodeCount>& ErrorCodes() {
  static const std::array<ErrorCodeItem, kErrorCodeCount> codes{{
      {"OK", "No error."},
      {"Busy", "Unable to process function."},
      {"ReservedCommand", "Reserved function."},
      {"UnsupportedCommand", "Unsupported function."},
      {"AccessDenied", "Read only function."},
      {"Overflow/Underflow", "Data over/underflow."},
      {"BadSize", "Incorrent data block size."},
      {"UnknownError", "Unidentifiable error."},
  }};
  return codes;
}

QString ErrorCodesHint() {
  QStringList lines;
  for (const ErrorCodeItem& code : ErrorCodes()) lines << QString::fromLatin1(code.hintLine);
  return lines.join(QLatin1Char('\n'));
}

BatteryStatusControls BatteryStatusFromWord(std::int32_t value) {
  return {BoxesFromWord(value, BatteryStatusBits()), static_cast<int>(Unsigned(value) & 7)};
}

std::int32_t WordFromBatteryStatus(const BatteryStatusControls& controls) {
  return Signed(WordFromBoxes(controls.boxes, BatteryStatusBits()) +
                (static_cast<std::uint32_t>(controls.errorCode) & 7));
}

SpecInfoSelection SpecInfoFromWord(std::int32_t value) {
  const std::uint32_t word = Unsigned(value);
  return {EntryIndex(word & 0xF, 0, kRevisionEntries),
          EntryIndex((word >> 4) & 0xF, 1, kVersionEntries),
          EntryIndex((word >> 8) & 0xF, 0, kScaleEntries),
          EntryIndex((word >> 12) & 0xF, 0, kScaleEntries)};
}

std::int32_t WordFromSpecInfo(const SpecInfoSelection& selection, std::int32_t openedWith) {
  const std::uint32_t opened = Unsigned(openedWith);
  const auto scale = [&](int index, int shift) {
    return index < 0 ? opened & (0xFu << shift)
                     : (static_cast<std::uint32_t>(index) & 0xF) << shift;
  };
  const std::uint32_t word = (static_cast<std::uint32_t>(selection.revision) & 0xF) |
                             ((static_cast<std::uint32_t>(selection.version + 1) & 0xF) << 4) |
                             scale(selection.vScale, 8) | scale(selection.ipScale, 12);
  return Signed(word & 0xFFFF);
}

DateSelection DateFromWord(std::int32_t value) {
  const std::uint32_t word = Unsigned(value);
  return {EntryIndex(word & 0x1F, 1, kDayEntries), EntryIndex((word >> 5) & 0xF, 1, kMonthEntries),
          EntryIndex((word >> 9) & 0x7F, 0, kYearEntries)};
}

std::int32_t WordFromDate(const DateSelection& selection) {
  const std::uint32_t word = static_cast<std::uint32_t>(selection.day + 1) +
                             static_cast<std::uint32_t>(selection.month + 1) * 32 +
                             (static_cast<std::uint32_t>(selection.year) & 0x7F) * 512;
  return Signed(word & 0xFFFF);
}

QString DefaultMfgDataString() {
  return QStringLiteral(
      "1F,11,22,33,44,00,00,00,00,00,00,00,00,00,00,00,"
      "00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00");
}

MfgDataControls MfgDataFromString(const QString& text) {
  const QString string = text.size() == kMfgDataStringLength ? text : DefaultMfgDataString();
  MfgDataControls controls;
  int length = HexPair(string, 1);
  if (length < 0) length = 31;
  controls.lengthIndex = (length & 0x1F) - 1;
  for (int k = 1; k <= kMfgDataBytes; ++k) {
    controls.cells[k - 1] =
        HexText(static_cast<std::uint32_t>(std::max(0, HexPair(string, 3 * k + 1))), 2);
  }
  return controls;
}

QString MfgDataStringFrom(const MfgDataControls& controls) {
  QString string = HexText(static_cast<std::uint32_t>(controls.lengthIndex + 1), 2);
  for (const QString& cell : controls.cells) {
    string += QLatin1Char(',') + HexText(Unsigned(HexTextValue(cell)), 2);
  }
  return string;
}
