// The decoders' conversions on their edge cases.
#include <gtest/gtest.h>

#include "decoders/FieldConversions.h"
#include "tests/support/QtPrinters.h"

namespace {

// Opening with a field text and closing without changes writes this text.
template <typename FromWord, typename ToWord>
QString RoundTrip(const char* fieldText, FromWord fromWord, ToWord toWord) {
  return DecoderWordText(toWord(fromWord(HexTextValue(QString::fromLatin1(fieldText)))));
}

TEST(HexTextValueTest, DigitsAloneEitherCaseAnythingElseIsZero) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"E381", 0xE381}, {"e381", 0xE381},   {"00ff", 0x00FF},
      {"1", 1},         {"12345", 0x12345}, {"", 0},
      {"xyz", 0},       {"12 ", 0},         {" 12", 0},
      {"$12", 0},       {"0x12", 0},        {"-1", 0},
      {"+1", 0},        {"FFFFFFFF", -1},   {"7FFFFFFF", 0x7FFFFFFF},
      {"1G", 0},
  };
  for (const auto& [text, value] : cases)
    EXPECT_EQ(HexTextValue(QString::fromLatin1(text)), value) << text;
}

TEST(HexTextValueTest, TextTooLongForThirtyTwoBitsKeepsItsLowThirtyTwoBits) {
  EXPECT_EQ(HexTextValue(u"123456789ABCD"), 0x6789ABCD);
  EXPECT_EQ(HexTextValue(u"1FFFFFFFF"), -1);
  EXPECT_EQ(DecoderWordText(HexTextValue(u"123456789ABCD")), "ABCD");
  EXPECT_EQ(DecoderWordText(HexTextValue(u"00000000000000000000000000000000000000c0")), "00C0");
}

TEST(BatteryModeTest, TicksTheDefinedBitsAndWritesBackOnlyThose) {
  const std::pair<const char*, const char*> cases[] = {
      {"E381", "C381"}, {"12345", "0301"}, {"00ff", "0083"},
      {"xyz", "0000"},  {"", "0000"},      {"FFFF", "C383"},
  };
  for (const auto& [field, written] : cases) {
    EXPECT_EQ(RoundTrip(field, BatteryModeFromWord, WordFromBatteryMode), written) << field;
  }
  EXPECT_EQ(BatteryModeFromWord(0xE381),
            (BatteryModeBoxes{true, false, true, true, true, true, true}));
  EXPECT_EQ(BatteryModeFromWord(0x12345),
            (BatteryModeBoxes{true, false, false, true, true, false, false}));
  EXPECT_EQ(BatteryModeFromWord(0x10000), BatteryModeBoxes{});
}

TEST(BatteryStatusTest, TicksAlarmAndStatusBitsAndChoosesTheErrorCode) {
  struct Case {
    const char* field;
    std::vector<const char*> ticked;
    int errorCode;
    const char* written;
  };
  const Case cases[] = {
      {"00C0", {"INITIALIZED", "DISCHARGING"}, 0, "00C0"},
      {"4A85",
       {"TERMINATE_CHARGE_ALARM", "TERMINATE_DISCHARGE_ALARM", "REMAINING_CAPACITY_ALARM",
        "INITIALIZED"},
       5,
       "4A85"},
      {"2408", {}, 0, "0000"},
      {"000F", {}, 7, "0007"},
      {"zz", {}, 0, "0000"},
  };
  for (const Case& c : cases) {
    const BatteryStatusControls controls =
        BatteryStatusFromWord(HexTextValue(QString::fromLatin1(c.field)));
    std::vector<const char*> ticked;
    for (int i = 0; i < kBatteryStatusBoxCount; ++i) {
      if (controls.boxes[i]) ticked.push_back(BatteryStatusBits()[i].name);
    }
    EXPECT_EQ(std::vector<std::string>(ticked.begin(), ticked.end()),
              std::vector<std::string>(c.ticked.begin(), c.ticked.end()))
        << c.field;
    EXPECT_EQ(controls.errorCode, c.errorCode) << c.field;
    EXPECT_EQ(DecoderWordText(WordFromBatteryStatus(controls)), c.written) << c.field;
  }
  EXPECT_STREQ(ErrorCodes()[5].item, "Overflow/Underflow");
  EXPECT_EQ(ErrorCodesHint().split('\n').size(), 8);
}

TEST(SpecInfoTest, SelectsEachNibbleAndCarriesScalingThatNoEntryShows) {
  const std::pair<const char*, SpecInfoSelection> shown[] = {
      {"0031", {1, 2, 0, 0}}, {"7500", {0, -1, -1, -1}}, {"10031", {1, 2, 0, 0}},
      {"", {0, -1, 0, 0}},    {"32FF", {15, 14, 2, 3}},
  };
  for (const auto& [field, selection] : shown) {
    EXPECT_EQ(SpecInfoFromWord(HexTextValue(QString::fromLatin1(field))), selection) << field;
  }
  const auto unchanged = [](std::int32_t value) {
    return WordFromSpecInfo(SpecInfoFromWord(value), value);
  };
  for (const char* field : {"0031", "7500", "32FF", "F4F0"}) {
    EXPECT_EQ(RoundTrip(
                  field, [](std::int32_t v) { return v; }, unchanged),
              field);
  }
  EXPECT_EQ(DecoderWordText(unchanged(0x10031)), "0031");
  SpecInfoSelection edited = SpecInfoFromWord(0x0021);
  edited.vScale = 2;
  edited.ipScale = 1;
  EXPECT_EQ(DecoderWordText(WordFromSpecInfo(edited, 0x0021)), "1221");
  EXPECT_EQ(WordFromSpecInfo({3, -1, 1, -1}, 0x7500), 0x7103) << "IPScale carried, VScale chosen";
}

TEST(ManufactureDateTest, UnpacksYearMonthAndDayAndPacksThemBack) {
  struct Case {
    const char* field;
    DateSelection shown;
    const char* written;
  };
  const Case cases[] = {
      {"2A61", {0, 2, 21}, "2A61"},    {"0000", {-1, -1, 0}, "0000"}, {"01A1", {0, -1, 0}, "0001"},
      {"FFFF", {30, -1, 127}, "FE1F"}, {"5A6E", {13, 2, 45}, "5A6E"}, {"", {-1, -1, 0}, "0000"},
  };
  for (const Case& c : cases) {
    const DateSelection shown = DateFromWord(HexTextValue(QString::fromLatin1(c.field)));
    EXPECT_EQ(shown, c.shown) << c.field;
    EXPECT_EQ(DecoderWordText(WordFromDate(shown)), c.written) << c.field;
  }
  EXPECT_EQ(DecoderWordText(WordFromDate({30, 11, 2024 - kFirstYear})), "599F");
  EXPECT_EQ(DecoderWordText(WordFromDate({30, 1, 0})), "005F") << "31 February packs as any date";
}

TEST(ManufactureDateTest, EveryValidDateRoundTrips) {
  for (int year = 0; year < kYearEntries; ++year) {
    for (int month = 0; month < kMonthEntries; ++month) {
      for (int day = 0; day < kDayEntries; ++day) {
        const DateSelection date{day, month, year};
        ASSERT_EQ(DateFromWord(WordFromDate(date)), date);
      }
    }
  }
}

QString MfgString(const char* length, const std::vector<const char*>& bytes = {}) {
  QString text = QString::fromLatin1(length);
  for (int k = 0; k < kMfgDataBytes; ++k) {
    text += ',' + QString::fromLatin1(k < static_cast<int>(bytes.size()) ? bytes[k] : "00");
  }
  return text;
}

TEST(MfgDataTest, ReadsLengthAndBytesByPositionAndRebuildsTheString) {
  const QString defaults = DefaultMfgDataString();
  ASSERT_EQ(defaults.size(), kMfgDataStringLength);
  EXPECT_EQ(defaults, MfgString("1F", {"11", "22", "33", "44"}));

  const MfgDataControls empty = MfgDataFromString(QString());
  EXPECT_EQ(empty.lengthIndex, 30);
  EXPECT_EQ(empty.cells[0], "11");
  EXPECT_EQ(empty.cells[3], "44");
  EXPECT_EQ(empty.cells[30], "00");
  EXPECT_EQ(MfgDataStringFrom(empty), defaults);

  const std::tuple<const char*, int, const char*> lengths[] = {
      {"05", 4, "05"},  {"20", -1, "00"}, {"00", -1, "00"},
      {"3F", 30, "1F"}, {"zz", 30, "1F"}, {"1f", 30, "1F"},
  };
  for (const auto& [pair, index, written] : lengths) {
    const MfgDataControls controls = MfgDataFromString(MfgString(pair, {"ab", "CD", "q1"}));
    EXPECT_EQ(controls.lengthIndex, index) << pair;
    EXPECT_EQ(controls.cells[0], "AB") << pair;
    EXPECT_EQ(controls.cells[2], "00") << "invalid pair reads as 0";
    EXPECT_EQ(MfgDataStringFrom(controls), MfgString(written, {"AB", "CD"})) << pair;
  }

  QString oddSeparators = MfgString("05", {"01", "02"});
  oddSeparators[2] = ';';
  oddSeparators[5] = 'x';
  EXPECT_EQ(MfgDataFromString(oddSeparators).cells[1], "02") << "separators are not examined";
  EXPECT_EQ(MfgDataFromString(MfgString("05") + ",").lengthIndex, 30) << "96 characters: default";

  MfgDataControls cells = MfgDataFromString(defaults);
  cells.cells[0] = "7";
  cells.cells[1] = "ab";
  cells.cells[2] = "zz";
  cells.cells[3] = "";
  EXPECT_EQ(MfgDataStringFrom(cells), MfgString("1F", {"07", "AB", "00", "00"}));
  cells.cells[4] = "1FF";
  EXPECT_EQ(MfgDataStringFrom(cells).size(), 96) << "a three-digit cell lengthens the string";
}

}  // namespace
