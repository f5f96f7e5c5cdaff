#include "link/AddressList.h"

#include "battery/HexText.h"

namespace address_list {

SevenBitAddress AddressOf(int entry) {
  return {static_cast<std::uint8_t>(entry)};
}

QString EntryText(int entry) {
  return HexText(AddressByteOf(AddressOf(entry)).value, 2);
}

std::optional<int> EntryOf(const QString& text) {
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (!ok || value > 0xFF) return std::nullopt;
  const AddressByte byte{static_cast<std::uint8_t>(value)};
  const SevenBitAddress address = SevenBitAddressOf(byte);
  if (AddressByteOf(address) != byte) return std::nullopt;  // a read bit
  return address.value;
}

}  // namespace address_list
