// Decoding a reply buffer for every unit class: nothing is read past the
// buffer (the buffer handed in is exactly its size, so the sanitizers catch
// any read beyond it), each class has its display form, and a word shown by a
// writable class encodes back to the same word.
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "battery/ValueCodec.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

const QRegularExpression& FormOf(const QString& unitClass) {
  static const std::map<QString, QRegularExpression> forms{
      {unit_class::kHex, QRegularExpression("^[0-9A-F]{4}$")},
      {unit_class::kString, QRegularExpression("^\"[^\\x00]*\"$")},
      {unit_class::kBlock, QRegularExpression("^([0-9A-F]{2}(,[0-9A-F]{2})*)?$")},
      {QStringLiteral("mV"), QRegularExpression("^----$")},
  };
  static const QRegularExpression decimal("^-?[0-9]{1,5}$");
  const auto form = forms.find(unitClass);
  return form != forms.end() ? form->second : decimal;
}

bool IsWritable(const QString& unitClass) {
  return unitClass == unit_class::kHex || unitClass == unit_class::kCapacity ||
         unitClass == unit_class::kMinutes || unitClass == unit_class::kSignedRate;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const QString unitClass = input.UnitClass();
  // The reply lives in a heap block of exactly its size.
  const auto reply = std::make_unique<ReplyBuffer>();
  std::memcpy(reply->data(), input.Rest(), std::min(input.RestSize(), reply->size()));

  const QString text = DecodeReply(unitClass, *reply);
  FUZZ_CHECK(FormOf(unitClass).match(text).hasMatch());

  const int count = std::min<int>((*reply)[0], kReplyBufferSize - 1);
  if (unitClass == unit_class::kBlock) {
    FUZZ_CHECK(text.isEmpty() ? count == 0 : text.count(QLatin1Char(',')) + 1 == count);
  }
  if (unitClass == unit_class::kString) FUZZ_CHECK(text.size() <= count + 2);

  if (IsWritable(unitClass)) {
    const WriteWord back = EncodeWrite(unitClass, text);
    FUZZ_CHECK(back.low == (*reply)[0] && back.high == (*reply)[1]);
  }
  return 0;
}
