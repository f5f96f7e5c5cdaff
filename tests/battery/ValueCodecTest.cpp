#include "battery/ValueCodec.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "tests/support/QtPrinters.h"

namespace {

ReplyBuffer Reply(std::initializer_list<int> bytes) {
  ReplyBuffer reply{};
  int i = 0;
  for (int byte : bytes) reply[i++] = static_cast<std::uint8_t>(byte);
  return reply;
}

TEST(DecodeReplyTest, OneWordShownPerUnitClass) {
  const ReplyBuffer reply = Reply({0x38, 0xFF});
  for (const char* unsignedClass : {"T/F", "min", "%", "mv", "ma", "maH 10mwH", "#D"}) {
    EXPECT_EQ(DecodeReply(unsignedClass, reply), "65336") << unsignedClass;
  }
  for (const char* signedClass : {"+/-ma", "+/-ma 10mw", "0.1 degK"}) {
    EXPECT_EQ(DecodeReply(signedClass, reply), "-200") << signedClass;
  }
  EXPECT_EQ(DecodeReply("#H", reply), "FF38");
  EXPECT_EQ(DecodeReply("#H", Reply({0x0A, 0x00})), "000A");
  EXPECT_EQ(DecodeReply("0.1 degK", Reply({0xA6, 0x0B})), "2982");
  EXPECT_EQ(DecodeReply("+/-ma", Reply({0x00, 0x80})), "-32768");
  EXPECT_EQ(DecodeReply("T/F", Reply({0x01, 0x00})), "1");
}

TEST(DecodeReplyTest, UnknownUnitClassShowsDashes) {
  EXPECT_EQ(DecodeReply("MV", Reply({1, 0})), "----");
  EXPECT_EQ(DecodeReply("", Reply({1, 0})), "----");
}

TEST(DecodeReplyTest, StringsAreQuotedAndStopAtNul) {
  EXPECT_EQ(DecodeReply("string", Reply({5, 'A', 'B', 'C', 'D', 'E', 'Z'})), "\"ABCDE\"");
  EXPECT_EQ(DecodeReply("string", Reply({0, 'A'})), "\"\"");
  EXPECT_EQ(DecodeReply("string", Reply({5, 'A', 'B', 0, 'D', 'E'})), "\"AB\"");
}

TEST(DecodeReplyTest, BlocksAreCommaSeparatedHexBytes) {
  EXPECT_EQ(DecodeReply("block", Reply({3, 0x01, 0xAB, 0xFF})), "01,AB,FF");
  EXPECT_EQ(DecodeReply("block", Reply({0})), "");
  ReplyBuffer reply{};
  reply[0] = 32;
  const QString text = DecodeReply("block", reply);
  EXPECT_EQ(text.size(), 3 * 32 - 1);
  EXPECT_FALSE(text.endsWith(','));
}

TEST(DecodeReplyTest, CountsPastTheBufferShowOnlyWhatTheBufferHolds) {
  for (int count : {98, 99, 100, 200, 255}) {
    ReplyBuffer reply;
    reply.fill('Q');
    reply[0] = static_cast<std::uint8_t>(count);
    const int shown = std::min(count, 99);
    EXPECT_EQ(DecodeReply("block", reply).size(), 3 * shown - 1) << count;
    EXPECT_EQ(DecodeReply("string", reply).size(), shown + 2) << count;
  }
}

TEST(DecodeReplyTest, BytesAboveSevenFRoundTripToTheSameBytes) {
  ReplyBuffer reply{};
  reply[0] = 0x80;
  for (int i = 0; i < 0x80 && i < 99; ++i) reply[i + 1] = static_cast<std::uint8_t>(0x80 + i);
  const QString text = DecodeReply("string", reply);
  const QByteArray bytes = StringTextToBytes(text);
  ASSERT_EQ(bytes.size(), 99 + 2);
  for (int i = 0; i < 99; ++i) EXPECT_EQ(static_cast<std::uint8_t>(bytes[i + 1]), 0x80 + i);
}

WriteWord Bytes(int low, int high) {
  return {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)};
}

TEST(EncodeWriteTest, DecimalClassesTakeSignsAndPrefixedHex) {
  EXPECT_EQ(EncodeWrite("+/-ma 10mw", "-100"), Bytes(0x9C, 0xFF));
  EXPECT_EQ(EncodeWrite("+/-ma 10mw", "-1"), Bytes(0xFF, 0xFF));
  EXPECT_EQ(EncodeWrite("min", "70000"), Bytes(0x70, 0x11));
  EXPECT_EQ(EncodeWrite("maH 10mwH", "+300"), Bytes(0x2C, 0x01));
  EXPECT_EQ(EncodeWrite("min", " 10"), Bytes(10, 0));
  for (const char* hex : {"$10", "x10", "X10", "0x10", "0X10", "  0x10"}) {
    EXPECT_EQ(EncodeWrite("maH 10mwH", hex), Bytes(0x10, 0)) << hex;
  }
  EXPECT_EQ(EncodeWrite("min", "0xFFFFFFFF"), Bytes(0xFF, 0xFF));
  EXPECT_EQ(EncodeWrite("min", "-2147483648"), Bytes(0, 0));
  EXPECT_EQ(EncodeWrite("min", "2147483647"), Bytes(0xFF, 0xFF));
}

TEST(EncodeWriteTest, TextOutsideTheRuleIsWrittenAsZero) {
  for (const char* bad : {"", "abc", "10 ", "1 0", "+", "-", "$", "0x", "-0x10", "+$10",
                          "2147483648", "-2147483649", "0x100000000", "1.5", "١٢"}) {
    EXPECT_EQ(EncodeWrite("min", QString::fromUtf8(bad)), Bytes(0, 0)) << bad;
  }
}

TEST(EncodeWriteTest, HexClassTakesBareDigitsOnly) {
  EXPECT_EQ(EncodeWrite("#H", "6001"), Bytes(0x01, 0x60));
  EXPECT_EQ(EncodeWrite("#H", "abcd"), Bytes(0xCD, 0xAB));
  EXPECT_EQ(EncodeWrite("#H", "FFFFFFFF"), Bytes(0xFF, 0xFF));
  EXPECT_EQ(EncodeWrite("#H", "0000000012"), Bytes(0x12, 0));
  for (const char* bad : {"0x10", " 10", "10 ", "", "$10", "G1", "100000000", "-1"}) {
    EXPECT_EQ(EncodeWrite("#H", bad), Bytes(0, 0)) << bad;
  }
}

// The words that typed texts in a register's range stand for are the ones
// the write sends for them.
TEST(ExactWriteWordTest, TextsWithinTheRangeGiveTheWordThatIsSent) {
  const struct {
    const char* unitClass;
    const char* text;
    WriteWord word;
  } cases[] = {
      {"#H", "ffff", Bytes(0xFF, 0xFF)},          {"#H", "0", Bytes(0, 0)},
      {"min", "65535", Bytes(0xFF, 0xFF)},        {"maH 10mwH", " +10", Bytes(10, 0)},
      {"maH 10mwH", "$FFFF", Bytes(0xFF, 0xFF)},  {"+/-ma 10mw", "-32768", Bytes(0x00, 0x80)},
      {"+/-ma 10mw", "32767", Bytes(0xFF, 0x7F)}, {"+/-ma 10mw", "0xFFFF", Bytes(0xFF, 0xFF)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExactWriteWord(c.unitClass, c.text), c.word) << c.unitClass << " " << c.text;
    EXPECT_EQ(EncodeWrite(c.unitClass, c.text), c.word) << c.unitClass << " " << c.text;
  }
  EXPECT_FALSE(ExactWriteWord("mv", "100")) << "a class with no write rule";
}

TEST(EncodeWriteTest, ClassesWithoutAWriteRuleWriteZero) {
  EXPECT_EQ(EncodeWrite("mv", "100"), Bytes(0, 0));
  EXPECT_EQ(EncodeWrite("string", "100"), Bytes(0, 0));
}

}  // namespace
