#pragma once

#include <QString>
#include <optional>

// The battery address list: 128 entries, entry i showing the address byte
// i x 2 as two hexadecimal digits ("00" to "FE"). Entry 11, "16", is the
// Smart Battery's address.
namespace address_list {

inline constexpr int kEntries = 128;
inline constexpr int kSmartBatteryEntry = 11;

QString EntryText(int entry);

// The entry whose text this is, in either letter case; none for text that is
// not an even address byte.
std::optional<int> EntryOf(const QString& text);

}  // namespace address_list
