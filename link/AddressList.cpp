#include "link/AddressList.h"

#include "battery/HexText.h"

namespace address_list {

QString EntryText(int entry) {
  return HexText(static_cast<std::uint32_t>(entry * 2), 2);
}

std::optional<int> EntryOf(const QString& text) {
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (!ok || value % 2 != 0 || value >= kEntries * 2) return std::nullopt;
  return static_cast<int>(value / 2);
}

}  // namespace address_list
