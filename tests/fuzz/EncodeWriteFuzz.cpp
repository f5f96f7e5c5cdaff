// Encoding typed text for a write: any text gives a word and never fails;
// the same text always gives the same word; a text that is the word's own
// display form gives that word.
#include <cstdio>
#include <cstdlib>

#include "battery/HexText.h"
#include "battery/ValueCodec.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const QString unitClass = input.UnitClass();
  const std::uint16_t word = static_cast<std::uint16_t>(input.Byte() | (input.Byte() << 8));
  const QString text = input.Text();

  const WriteWord typed = EncodeWrite(unitClass, text);
  FUZZ_CHECK(EncodeWrite(unitClass, text) == typed);

  const WriteWord expected{static_cast<std::uint8_t>(word & 0xFF),
                           static_cast<std::uint8_t>(word >> 8)};
  if (unitClass == unit_class::kHex) {
    FUZZ_CHECK(EncodeWrite(unitClass, HexText(word, 4)) == expected);
    FUZZ_CHECK(EncodeWrite(unitClass, HexText(word, 4).toLower()) == expected);
  } else if (unitClass == unit_class::kCapacity || unitClass == unit_class::kMinutes) {
    FUZZ_CHECK(EncodeWrite(unitClass, QString::number(word)) == expected);
    FUZZ_CHECK(EncodeWrite(unitClass, QStringLiteral("$") + HexText(word, 1)) == expected);
  } else if (unitClass == unit_class::kSignedRate) {
    FUZZ_CHECK(EncodeWrite(unitClass, QString::number(static_cast<std::int16_t>(word))) ==
               expected);
  } else {
    FUZZ_CHECK(typed == WriteWord{});
  }
  return 0;
}
