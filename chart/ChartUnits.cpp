#include "chart/ChartUnits.h"

#include "battery/RegisterBits.h"
#include "battery/UnitClass.h"

namespace {

constexpr long kNoMinutes = 65535;

// A decimal number of at most 6 digits with an optional leading "-", as the
// value codec writes a word.
std::optional<long> DecimalNumber(QStringView text) {
  const bool negative = text.startsWith(u'-');
  const QStringView digits = negative ? text.sliced(1) : text;
  if (digits.isEmpty() || digits.size() > 6) return std::nullopt;
  long value = 0;
  for (const QChar c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  return negative ? -value : value;
}

}  // namespace

CapacityMode CapacityModeOf(QStringView batteryModeText) {
  bool ok = false;
  const uint word = batteryModeText.size() == 4 ? batteryModeText.toUInt(&ok, 16) : 0;
  if (!ok) return CapacityMode::Unknown;
  return (word & kCapacityModeBit) != 0 ? CapacityMode::TenMilliwatts : CapacityMode::Milliamps;
}

std::optional<ChartAxis> AxisOf(const QString& unitClass, CapacityMode mode) {
  using namespace unit_class;
  if (unitClass == kMillivolts) return ChartAxis::Volts;
  if (unitClass == kSignedMilliamps || unitClass == kMilliamps) return ChartAxis::Amps;
  if (unitClass == kPercent) return ChartAxis::Percent;
  if (unitClass == kMinutes) return ChartAxis::Minutes;
  if (unitClass == kTenthKelvin) return ChartAxis::DegreesCelsius;
  if (unitClass == kDecimal) return ChartAxis::Count;
  if (unitClass == kTrueFalse) return ChartAxis::TrueFalse;
  if (unitClass == kCapacity) {
    switch (mode) {
      case CapacityMode::Milliamps:
        return ChartAxis::MilliampHours;
      case CapacityMode::TenMilliwatts:
        return ChartAxis::TenMilliwattHours;
      case CapacityMode::Unknown:
        return ChartAxis::MilliampHoursOrTenMilliwattHours;
    }
  }
  if (unitClass == kSignedRate) {
    switch (mode) {
      case CapacityMode::Milliamps:
        return ChartAxis::Amps;
      case CapacityMode::TenMilliwatts:
        return ChartAxis::TenMilliwatts;
      case CapacityMode::Unknown:
        return ChartAxis::MilliampsOrTenMilliwatts;
    }
  }
  return std::nullopt;
}

QString AxisUnit(ChartAxis axis) {
  switch (axis) {
    case ChartAxis::Volts:
      return QStringLiteral("V");
    case ChartAxis::Amps:
      return QStringLiteral("A");
    case ChartAxis::TenMilliwatts:
      return QStringLiteral("10 mW");
    case ChartAxis::MilliampsOrTenMilliwatts:
      return QStringLiteral("mA or 10 mW");
    case ChartAxis::MilliampHours:
      return QStringLiteral("mAh");
    case ChartAxis::TenMilliwattHours:
      return QStringLiteral("10 mWh");
    case ChartAxis::MilliampHoursOrTenMilliwattHours:
      return QStringLiteral("mAh or 10 mWh");
    case ChartAxis::DegreesCelsius:
      return QStringLiteral("°C");
    case ChartAxis::Percent:
      return QStringLiteral("%");
    case ChartAxis::Minutes:
      return QStringLiteral("min");
    case ChartAxis::Count:
      return QStringLiteral("count");
    case ChartAxis::TrueFalse:
      return QStringLiteral("1 true, 0 false");
  }
  return {};
}

std::optional<double> AxisValue(ChartAxis axis, QStringView text) {
  const std::optional<long> number = DecimalNumber(text);
  if (!number) return std::nullopt;
  switch (axis) {
    case ChartAxis::Volts:
    case ChartAxis::Amps:
      return *number / 1000.0;
    case ChartAxis::DegreesCelsius:
      return *number / 10.0 - 273.15;
    case ChartAxis::Minutes:
      if (*number == kNoMinutes) return std::nullopt;
      return static_cast<double>(*number);
    case ChartAxis::TrueFalse:
      return *number != 0 ? 1.0 : 0.0;
    default:
      return static_cast<double>(*number);
  }
}
