#pragma once

#include <array>

// How often auto-repeat starts a pass, counted from the start of one pass to
// the start of the next. In the order of the Options menu's items.
enum class RepeatInterval { Continuous, TenSeconds, Minute, FiveMinutes, TenMinutes, Hour };

struct RepeatIntervalSetting {
  RepeatInterval interval;
  // The AutoRepeat check box's caption while the interval is chosen.
  const char* autoRepeatCaption;
  // Added to the scan start time as a time of day; none under Continuous.
  int hours;
  int minutes;
  int seconds;

  bool IsTimed() const { return interval != RepeatInterval::Continuous; }
  int TotalSeconds() const { return (hours * 60 + minutes) * 60 + seconds; }
};

inline constexpr std::array<RepeatIntervalSetting, 6> kRepeatIntervals{{
    {RepeatInterval::Continuous, "Auto Repeat (Continuous)", 0, 0, 0},
    {RepeatInterval::TenSeconds, "Auto Repeat (10 Seconds)", 0, 0, 10},
    {RepeatInterval::Minute, "Auto Repeat (1 Minute)", 0, 1, 0},
    {RepeatInterval::FiveMinutes, "Auto Repeat (5 Minutes)", 0, 5, 0},
    {RepeatInterval::TenMinutes, "Auto Repeat (10 Minutes)", 0, 10, 0},
    {RepeatInterval::Hour, "Auto Repeat (1 Hour)", 1, 0, 0},
}};

inline const RepeatIntervalSetting& SettingOf(RepeatInterval interval) {
  return kRepeatIntervals[static_cast<int>(interval)];
}
