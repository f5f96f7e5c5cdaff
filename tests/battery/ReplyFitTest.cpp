// The one judgement of a reply, from the bytes the adapter handed over.
#include <gtest/gtest.h>

#include <initializer_list>

#include "battery/ReplyFit.h"

namespace {

ReplyBuffer Bytes(std::initializer_list<int> bytes) {
  ReplyBuffer reply{};
  int i = 0;
  for (const int byte : bytes) reply[i++] = static_cast<std::uint8_t>(byte);
  return reply;
}

}  // namespace

TEST(ReplyFit, EachReplyIsJudgedFromItsBytesAndShownAsFarAsItCame) {
  const struct {
    const char* what;
    const char* unit;
    ReplyBuffer reply;
    int length;
    ReplyFit fit;
    const char*
        shown;  // the data field's text of what came; "none": nothing shown, or not looked at
  } cases[] = {
      {"a word", "mv", Bytes({0xFD, 0x2F}), 2, ReplyFit::Complete, "12285"},
      {"a word with one byte", "mv", Bytes({0xFD}), 1, ReplyFit::CutShort, "none"},
      {"a word with nothing", "#H", Bytes({}), 0, ReplyFit::CutShort, "none"},
      {"a word with three bytes", "+/-ma", Bytes({0x38, 0xFF, 0x01}), 3, ReplyFit::OverLong,
       "-200"},
      {"a string", "string", Bytes({3, 'A', 'B', 'C'}), 4, ReplyFit::Complete, "\"ABC\""},
      {"an empty string", "string", Bytes({0}), 1, ReplyFit::Complete, "\"\""},
      {"a string whose count came alone", "string", Bytes({8}), 1, ReplyFit::CutShort, "\"\""},
      {"a string with part of its bytes", "string", Bytes({5, 'A', 'B'}), 3, ReplyFit::CutShort,
       "\"AB\""},
      {"a string with more bytes than its count", "string", Bytes({2, 'A', 'B', 'C'}), 4,
       ReplyFit::OverLong, "\"AB\""},
      {"a block", "block", Bytes({2, 0x01, 0xAB}), 3, ReplyFit::Complete, "01,AB"},
      {"a block of zeros is whole", "block", Bytes({2, 0, 0}), 3, ReplyFit::Complete, "00,00"},
      {"a block with none of its bytes", "block", Bytes({14}), 1, ReplyFit::CutShort, ""},
      {"a block with one of three", "block", Bytes({3, 0x7F}), 2, ReplyFit::CutShort, "7F"},
      {"a block with no count", "block", Bytes({}), 0, ReplyFit::CutShort, ""},
      {"a block counting more than SMBus allows", "block", Bytes({33}), 34, ReplyFit::OverLong,
       "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString unit = QString::fromLatin1(c.unit);
    EXPECT_EQ(JudgeReply(unit, c.reply, c.length), c.fit);
    const std::optional<ReplyBuffer> came = ReplyAsFarAsItCame(unit, c.reply, c.length);
    if (QLatin1String(c.shown) != QLatin1String("none")) {
      ASSERT_TRUE(came);
      EXPECT_EQ(DecodeReply(unit, *came), QString::fromLatin1(c.shown));
    } else if (c.fit == ReplyFit::CutShort) {
      EXPECT_FALSE(came);
    }
  }
}

TEST(ReplyFit, EveryPathSaysItInTheSameWords) {
  EXPECT_EQ(ReplyFitWords(ReplyFit::Complete), "");
  EXPECT_EQ(ReplyFitWords(ReplyFit::CutShort), "cut short");
  EXPECT_EQ(ReplyFitWords(ReplyFit::OverLong), "over-long");
  EXPECT_EQ(ReplyFitDetail("string", Bytes({8}), 1), "the count says 8 bytes, 0 came");
  EXPECT_EQ(ReplyFitDetail("mv", Bytes({0xFD}), 1), "a word is 2 bytes, 1 came");
}
