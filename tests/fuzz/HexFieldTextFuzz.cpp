// The decoders' reading of a data field as hexadecimal: any text gives a
// value; text of hexadecimal digits alone gives their number's low 32 bits,
// anything else 0; the word shown back is the low 16 bits in four upper-case
// digits.
#include <cstdio>
#include <cstdlib>

#include "decoders/FieldConversions.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

bool AllHexDigits(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c.toLatin1())) || c.unicode() > 0x7F) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const QString text = input.Text();
  const std::int32_t value = HexTextValue(text);
  if (!AllHexDigits(text)) {
    FUZZ_CHECK(value == 0);
    return 0;
  }
  // The last eight digits decide the low 32 bits.
  bool ok = false;
  const std::uint32_t low = text.right(8).toUInt(&ok, 16);
  FUZZ_CHECK(ok && static_cast<std::uint32_t>(value) == low);
  const QString word = DecoderWordText(value);
  FUZZ_CHECK(word == text.right(4).toUpper().rightJustified(4, QLatin1Char('0')));
  FUZZ_CHECK(HexTextValue(word) == static_cast<std::int32_t>(low & 0xFFFF));
  return 0;
}
