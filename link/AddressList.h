#pragma once

#include <QString>
#include <optional>

#include "link/adapter/BusAddress.h"

// The battery address list: 128 entries, entry i standing for the 7-bit
// address i and showing its address byte as two hexadecimal digits ("00" to
// "FE"). Entry 11, "16", is the Smart Battery's address.
namespace address_list {

inline constexpr int kEntries = 128;
inline constexpr int kSmartBatteryEntry = smart_battery_system::kBattery.value;

SevenBitAddress AddressOf(int entry);
QString EntryText(int entry);

// The entry whose text this is, in either letter case; none for text that is
// not an even address byte.
std::optional<int> EntryOf(const QString& text);

}  // namespace address_list
