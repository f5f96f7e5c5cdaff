#pragma once

#include <QString>
#include <cstdint>

// A number as upper-case hexadecimal digits without prefix, zero-padded to at
// least the given count: two for a byte, four for a word.
inline QString HexText(std::uint32_t value, int minDigits) {
  return QStringLiteral("%1").arg(value, minDigits, 16, QLatin1Char('0')).toUpper();
}
