#include "battery/OptionalRegisters.h"

#include <array>

#include "battery/UnitClass.h"

namespace {

constexpr const char* kVendorHint = "Optional: whether a pack has it depends on its maker.";

constexpr std::array<RegisterDefinition, 5> kOptional{{
    {0x3C, "CellVoltage4", "CellVoltage4", "mv", "", false, kVendorHint},
    {0x3D, "CellVoltage3", "CellVoltage3", "mv", "", false, kVendorHint},
    {0x3E, "CellVoltage2", "CellVoltage2", "mv", "", false, kVendorHint},
    {0x3F, "CellVoltage1", "CellVoltage1", "mv", "", false, kVendorHint},
    {0x4F, "StateOfHealth", "StateOfHealth", "%", "", false, kVendorHint},
}};

// "0x00" to "0xFF", each a name and a control stem that lives as long as the program.
constexpr auto kNumberNames = [] {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::array<std::array<char, 5>, 256> names{};
  for (int code = 0; code < 256; ++code) {
    names[code] = {'0', 'x', kDigits[code >> 4], kDigits[code & 0xF], '\0'};
  }
  return names;
}();

}  // namespace

std::span<const RegisterDefinition> OptionalRegisters() {
  return kOptional;
}

RegisterDefinition NumberedRegister(std::uint8_t code) {
  const char* name = kNumberNames[code].data();
  return {code, name, name, unit_class::kHex.data(), "", false, kVendorHint};
}

std::optional<std::uint8_t> RegisterNumber(const QString& text) {
  if (text.size() < 3 || text.size() > 4 ||
      !text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    return std::nullopt;
  }
  int code = 0;
  for (const QChar digit : text.mid(2)) {
    const int value = QStringLiteral("0123456789ABCDEF").indexOf(digit.toUpper());
    if (value < 0) return std::nullopt;
    code = code * 16 + value;
  }
  return static_cast<std::uint8_t>(code);
}
