// The manufacturer data string: whatever the field holds, the editor's
// controls make a 95-character string again; a well-formed string read and
// written again is the same string up to letter case.
#include <cstdio>
#include <cstdlib>

#include "decoders/FieldConversions.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

bool IsHexPair(const QString& text, int at) {
  for (int i = at; i < at + 2; ++i) {
    const char c = text[i].toLatin1();
    if (text[i].unicode() > 0x7F || !std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// A length of 1 to 31 and 31 pairs, each behind a comma.
bool WellFormed(const QString& text) {
  if (text.size() != kMfgDataStringLength || !IsHexPair(text, 0)) return false;
  const int length = text.left(2).toInt(nullptr, 16);
  if (length < 1 || length > kMfgDataBytes) return false;
  for (int byte = 1; byte <= kMfgDataBytes; ++byte) {
    if (text[3 * byte - 1] != QLatin1Char(',') || !IsHexPair(text, 3 * byte)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const QString text = input.Text();
  const MfgDataControls controls = MfgDataFromString(text);
  const QString again = MfgDataStringFrom(controls);
  FUZZ_CHECK(again.size() == kMfgDataStringLength);
  FUZZ_CHECK(MfgDataFromString(again) == controls);
  if (WellFormed(text)) FUZZ_CHECK(again == text.toUpper());
  return 0;
}
