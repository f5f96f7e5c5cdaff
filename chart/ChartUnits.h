#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// The vertical axes of a chart, one per unit, in the order they are laid out.
// A register of unit class "maH 10mwH" or "+/-ma 10mw" reads in mAh and mA,
// or in 10 mWh and 10 mW, as the pack's BatteryMode CAPACITY_MODE bit says;
// while that is not known its axis names both units. One byte: a chart keeps
// the axis of each of its rows under each capacity mode.
enum class ChartAxis : std::uint8_t {
  Volts,
  Amps,
  TenMilliwatts,
  MilliampsOrTenMilliwatts,
  MilliampHours,
  TenMilliwattHours,
  MilliampHoursOrTenMilliwattHours,
  DegreesCelsius,
  Percent,
  Minutes,
  Count,
  TrueFalse,
};

// What the BatteryMode read in a pass says of the units of capacities and rates.
enum class CapacityMode { Unknown, Milliamps, TenMilliwatts };

// BatteryMode's four hexadecimal digits; Unknown for any other text.
CapacityMode CapacityModeOf(QStringView batteryModeText);

// The axis a row of this unit class is drawn on; none for the classes that
// are no number in a unit ("#H", "string", "block", or an unknown text).
std::optional<ChartAxis> AxisOf(const QString& unitClass, CapacityMode mode);

// The unit an axis is labelled with: "V", "°C", "mAh or 10 mWh", ...
QString AxisUnit(ChartAxis axis);

// A data field's text as a value on its axis: millivolts and milliamps in
// volts and amperes, tenths of a kelvin in degrees Celsius, any T/F word as 0
// or 1. None for a text that is not a decimal number, and for 65535 minutes,
// which a pack reads when there is no time to tell.
std::optional<double> AxisValue(ChartAxis axis, QStringView text);
