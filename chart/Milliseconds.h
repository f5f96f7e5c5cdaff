#pragma once

#include <QtGlobal>

// Lengths of time in milliseconds, the unit of the chart's time axes.
inline constexpr qint64 kSecondMs = 1000;
inline constexpr qint64 kMinuteMs = 60 * kSecondMs;
inline constexpr qint64 kHourMs = 60 * kMinuteMs;
inline constexpr qint64 kDayMs = 24 * kHourMs;
