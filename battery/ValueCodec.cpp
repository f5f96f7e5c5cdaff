#include "battery/ValueCodec.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "battery/HexText.h"
#include "battery/UnitClass.h"

namespace {

using namespace unit_class;

// A block count larger than the buffer can hold is shown with the bytes that
// the buffer does hold: at most 99 after the count byte. Nothing is read past
// the buffer, and a battery that reports a wrong count still shows its data.
constexpr int kMaxBlockBytes = kReplyBufferSize - 1;

std::uint16_t WordOf(const ReplyBuffer& reply) {
  return static_cast<std::uint16_t>(reply[0] | (reply[1] << 8));
}

int BlockLength(const ReplyBuffer& reply) {
  return std::min<int>(reply[0], kMaxBlockBytes);
}

bool IsUnsignedClass(const QString& unitClass) {
  return unitClass == kTrueFalse || unitClass == kMinutes || unitClass == kPercent ||
         unitClass == kMillivolts || unitClass == kMilliamps || unitClass == kCapacity ||
         unitClass == kDecimal;
}

bool IsSignedClass(const QString& unitClass) {
  return unitClass == kSignedMilliamps || unitClass == kSignedRate || unitClass == kTenthKelvin;
}

bool IsDecimalWriteClass(const QString& unitClass) {
  return unitClass == kCapacity || unitClass == kMinutes || unitClass == kSignedRate;
}

QString DecodeBlock(const ReplyBuffer& reply) {
  const QByteArray bytes = ReplyBytes(reply);
  QString text;
  text.reserve(bytes.size() * 3);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (i > 0) text += QLatin1Char(',');
    text += HexText(static_cast<std::uint8_t>(bytes[i]), 2);
  }
  return text;
}

int HexDigitValue(QChar c) {
  if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c.unicode() - '0';
  if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) return c.unicode() - 'a' + 10;
  if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) return c.unicode() - 'A' + 10;
  return -1;
}

// Hexadecimal digits only, at least one, value within 32 bits.
std::optional<std::int32_t> ParseHexDigits(QStringView digits) {
  if (digits.isEmpty()) return std::nullopt;
  std::uint64_t value = 0;
  for (QChar c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + digit;
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Optional sign then decimal digits, within the signed 32-bit range.
std::optional<std::int32_t> ParseSignedDecimal(QStringView text) {
  bool negative = false;
  if (!text.isEmpty() && (text[0] == QLatin1Char('+') || text[0] == QLatin1Char('-'))) {
    negative = text[0] == QLatin1Char('-');
    text = text.mid(1);
  }
  if (text.isEmpty()) return std::nullopt;
  const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                      : std::int64_t{std::numeric_limits<std::int32_t>::max()};
  std::int64_t magnitude = 0;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    magnitude = magnitude * 10 + (c.unicode() - '0');
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

// A decimal row's text: leading spaces skipped, then either the digits after a
// hexadecimal prefix ("$", "x", "X", "0x" or "0X", no sign) or a signed decimal.
struct DecimalWriteText {
  QStringView text;
  bool hex = false;
};

DecimalWriteText SplitDecimalWriteText(QStringView text) {
  while (!text.isEmpty() && text[0] == QLatin1Char(' ')) text = text.mid(1);
  for (QLatin1String prefix : {QLatin1String("0x"), QLatin1String("0X"), QLatin1String("$"),
                               QLatin1String("x"), QLatin1String("X")}) {
    if (text.startsWith(prefix)) return {text.mid(prefix.size()), true};
  }
  return {text, false};
}

std::optional<std::int32_t> ParseDecimalWriteText(QStringView text) {
  const DecimalWriteText split = SplitDecimalWriteText(text);
  return split.hex ? ParseHexDigits(split.text) : ParseSignedDecimal(split.text);
}

constexpr int kWordHexDigits = 4;

// Hexadecimal digits that stand for one word: at most four of them.
std::optional<std::int32_t> ParseWordHexDigits(QStringView digits) {
  if (digits.size() > kWordHexDigits) return std::nullopt;
  return ParseHexDigits(digits);
}

std::optional<std::int32_t> ParseExactDecimalWriteText(const QString& unitClass, QStringView text) {
  const DecimalWriteText split = SplitDecimalWriteText(text);
  if (split.hex) return ParseWordHexDigits(split.text);
  const std::optional<std::int32_t> value = ParseSignedDecimal(split.text);
  if (!value) return std::nullopt;
  const bool inRange = IsSignedClass(unitClass)
                           ? *value >= std::numeric_limits<std::int16_t>::min() &&
                                 *value <= std::numeric_limits<std::int16_t>::max()
                           : *value >= 0 && *value <= std::numeric_limits<std::uint16_t>::max();
  return inRange ? value : std::nullopt;
}

WriteWord WriteWordOf(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return {static_cast<std::uint8_t>(bits & 0xFF), static_cast<std::uint8_t>((bits >> 8) & 0xFF)};
}

QString AcceptedWriteForm(const QString& unitClass) {
  if (unitClass == kHex) return QStringLiteral("1 to 4 hexadecimal digits (0000 to FFFF)");
  return QStringLiteral("a whole number from %1, or $ followed by 1 to 4 hexadecimal digits")
      .arg(IsSignedClass(unitClass) ? QStringLiteral("-32768 to 32767")
                                    : QStringLiteral("0 to 65535"));
}

}  // namespace

QString DecodeReply(const QString& unitClass, const ReplyBuffer& reply) {
  if (unitClass == kHex) return HexText(WordOf(reply), 4);
  if (const std::optional<int> number = ReplyNumber(unitClass, reply)) {
    return QString::number(*number);
  }
  if (unitClass == kString) return QLatin1Char('"') + ReplyString(reply) + QLatin1Char('"');
  if (unitClass == kBlock) return DecodeBlock(reply);
  return QStringLiteral("----");
}

std::optional<int> ReplyNumber(const QString& unitClass, const ReplyBuffer& reply) {
  const std::uint16_t word = WordOf(reply);
  if (IsUnsignedClass(unitClass) || unitClass == kHex) return word;
  if (IsSignedClass(unitClass)) return static_cast<std::int16_t>(word);
  return std::nullopt;
}

QString ReplyString(const ReplyBuffer& reply) {
  const int length = BlockLength(reply);
  const auto* first = reinterpret_cast<const char*>(reply.data() + 1);
  const auto* nul = std::find(first, first + length, '\0');
  return QString::fromLatin1(first, nul - first);
}

QByteArray ReplyBytes(const ReplyBuffer& reply) {
  return QByteArray(reinterpret_cast<const char*>(reply.data() + 1), BlockLength(reply));
}

WriteWord EncodeWrite(const QString& unitClass, const QString& text) {
  std::optional<std::int32_t> value;
  if (unitClass == kHex) {
    value = ParseHexDigits(text);
  } else if (IsDecimalWriteClass(unitClass)) {
    value = ParseDecimalWriteText(text);
  }
  return WriteWordOf(value.value_or(0));
}

std::optional<WriteWord> ExactWriteWord(const QString& unitClass, const QString& text) {
  std::optional<std::int32_t> value;
  if (unitClass == kHex) {
    value = ParseWordHexDigits(text);
  } else if (IsDecimalWriteClass(unitClass)) {
    value = ParseExactDecimalWriteText(unitClass, text);
  }
  if (!value) return std::nullopt;
  return WriteWordOf(*value);
}

std::optional<QString> WriteTextRefusal(const QString& registerName, const QString& unitClass,
                                        const QString& text) {
  if (ExactWriteWord(unitClass, text)) return std::nullopt;
  return QStringLiteral("%1 is not written: it takes %2, not \"%3\".")
      .arg(registerName, AcceptedWriteForm(unitClass), text);
}

QByteArray StringTextToBytes(const QString& text) {
  return text.toLatin1();
}
