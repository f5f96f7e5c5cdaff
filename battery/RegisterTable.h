#pragma once

#include <array>
#include <cstdint>

// The fixed description of one Smart Battery register as the main window
// presents it: its command code, the captions and names of its controls, its
// starting text and whether it may be written.
struct RegisterDefinition {
  std::uint8_t commandCode;
  const char* registerName;  // check box caption, log header column
  const char* controlStem;   // controls are stem + "ChkBx", "Data", "Type"
  const char* unitClass;     // unit label caption
  const char* initialData;   // data field text at start-up
  bool writable;
  const char* dataHint;  // hint of the data field
};

inline constexpr int kRegisterRowCount = 33;

// One past the last row: "no current row", the pass is over.
inline constexpr int kNoRow = kRegisterRowCount;

// Rows 0 to 17 stand in the left column of the window, 18 to 32 in the right.
inline constexpr int kFirstRightColumnRow = 18;

// The row of BatteryMode, whose capacity mode sets the unit of the capacities.
inline constexpr int kBatteryModeRow = 3;

// The last four rows show their data field on a line of its own.
inline constexpr int kFirstTwoLineRow = 29;

const std::array<RegisterDefinition, kRegisterRowCount>& RegisterTable();
