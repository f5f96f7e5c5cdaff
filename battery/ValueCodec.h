#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// What the adapter copies for a completed read: a word as low byte, high byte;
// a counted block as its byte count followed by the bytes.
inline constexpr int kReplyBufferSize = 100;
using ReplyBuffer = std::array<std::uint8_t, kReplyBufferSize>;

// Formats a read reply as the data-field text of a row of this unit class;
// "----" for a text that is not a unit class.
QString DecodeReply(const QString& unitClass, const ReplyBuffer& reply);

// The values a reply holds, as the data field's text is made from them: the
// word as a number (signed for a signed unit class; none for a class that is
// no word), a string's characters up to a NUL (Latin-1), a block's bytes.
std::optional<int> ReplyNumber(const QString& unitClass, const ReplyBuffer& reply);
QString ReplyString(const ReplyBuffer& reply);
QByteArray ReplyBytes(const ReplyBuffer& reply);

struct WriteWord {
  std::uint8_t low = 0;
  std::uint8_t high = 0;
  friend bool operator==(const WriteWord&, const WriteWord&) = default;
};

// Turns the typed text of a writable row into the two data bytes of a write.
// Text that does not fit the unit class's rule is written as 0, silently.
WriteWord EncodeWrite(const QString& unitClass, const QString& text);

// The word a writable row's typed text stands for, when it stands for exactly
// one word in the register's range: for a "#H" row 1 to 4 hexadecimal digits;
// for a decimal row a whole number in the register's range (0 to 65535, or
// -32768 to 32767 for a signed unit), or a hexadecimal prefix ("$", "x", "X",
// "0x", "0X") and 1 to 4 digits. None for text that EncodeWrite would turn
// into 0 or cut to 16 bits.
std::optional<WriteWord> ExactWriteWord(const QString& unitClass, const QString& text);

// Why a row's typed text is not written, naming the register and the form it
// takes; none when the text is exactly one word.
std::optional<QString> WriteTextRefusal(const QString& registerName, const QString& unitClass,
                                        const QString& text);

// Bytes of a string reply map one to one to characters (Latin-1) so that a
// byte above 0x7F reaches the log as the byte the battery sent.
QByteArray StringTextToBytes(const QString& text);
