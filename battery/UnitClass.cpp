#include "battery/UnitClass.h"

#include <array>
#include <utility>

namespace {

using namespace unit_class;

const std::array<std::pair<QLatin1String, const char*>, kUnitClassCount> kHints{{
    {kHex, "Hexadecimal Data Display"},
    {kDecimal, "Decimal Data Display"},
    {kMillivolts, "millivolts"},
    {kSignedMilliamps, "milliamps"},
    {kMilliamps, "milliamps"},
    {kPercent, "percent"},
    {kMinutes, "Minutes"},
    {kCapacity, "milliamp Hours if BatteryMode.CAPACITY_MODE bit = 0, else 10milliwatt Hours"},
    {kSignedRate, "milliamps if BatteryMode.CAPACITY_MODE bit = 0, else ten milliwatts"},
    {kTenthKelvin, "0.1 degrees Kelvin"},
    {kTrueFalse, "FALSE = 0, TRUE != FALSE"},
    {kString, "1 to 32 ASCII Characters"},
    {kBlock, "1 to 32 Binary Data Bytes"},
}};

}  // namespace

TransactionKind TransactionKindForUnitClass(const QString& unitClass) {
  if (unitClass == kString) return TransactionKind::String;
  if (unitClass == kBlock) return TransactionKind::Block;
  return TransactionKind::Word;
}

QString UnitClassHint(const QString& unitClass) {
  for (const auto& [name, hint] : kHints) {
    if (unitClass == name) return QString::fromLatin1(hint);
  }
  return {};
}
