#include <gtest/gtest.h>

#include "log/LogFormatter.h"
#include "tests/support/QtPrinters.h"

namespace {

const QDateTime kAfternoon(QDate(2001, 5, 17), QTime(14, 3, 9, 870));

TEST(LogFormatterTest, TimeStampIsMonthDayYearAndTwentyFourHourTime) {
  const LogFormatter us;
  EXPECT_EQ(us.TimeStamp(kAfternoon), "05/17/2001 14:03:09");
  EXPECT_EQ(us.TimeStamp(QDateTime(QDate(2026, 12, 7), QTime(0, 0, 0))), "12/07/2026 00:00:00");
  EXPECT_EQ(us.TimeStamp(QDateTime(QDate(987, 1, 2), QTime(23, 59, 59, 999))),
            "01/02/0987 23:59:59");
  EXPECT_EQ(LogFormatter({QChar('.'), QChar('.')}).TimeStamp(kAfternoon), "05.17.2001 14.03.09");
}

TEST(LogFormatterTest, SeparatorsComeFromTheLocalesShortFormats) {
  const auto separators = [](const char* locale) {
    const auto s = LogFormatter::RegionalSeparators(QLocale(QString::fromLatin1(locale)));
    return QString(s.date) + s.time;
  };
  EXPECT_EQ(separators("en_US"), "/:");
  EXPECT_EQ(separators("de_DE"), ".:");
  EXPECT_EQ(separators("fi_FI"), "..");
  EXPECT_EQ(separators("nl_NL"), "-:");
  EXPECT_EQ(separators("C"), "/:") << "a blank between date fields is no separator";
  // The file's bytes are Latin-1: a separator they cannot hold is no separator.
  for (const char* locale : {"ar_EG", "ar_SA", "fa_IR", "he_IL", "zh_CN", "ja_JP", "ko_KR"}) {
    const auto s = LogFormatter::RegionalSeparators(QLocale(QString::fromLatin1(locale)));
    const QString stamp = LogFormatter(s).TimeStamp(kAfternoon);
    EXPECT_EQ(QString::fromLatin1(LogFormatter::FileBytes(stamp)), stamp)
        << locale << ": " << stamp.toStdString();
    EXPECT_TRUE(s.date.isPrint() && s.time.isPrint()) << locale;
  }
}

TEST(LogFormatterTest, HeaderColumnsAndPlaceholders) {
  EXPECT_EQ(LogFormatter::HeaderColumn({"ManufacturerAccess", "#H"}), ",ManufacturerAccess(#H)");
  EXPECT_EQ(LogFormatter::HeaderColumn({"RemainCapacityAlarm", "maH 10mwH"}),
            ",RemainCapacityAlarm(maH 10mwH)");
  EXPECT_EQ(LogFormatter::FailurePlaceholder("string"), "\"\"");
  EXPECT_EQ(LogFormatter::FailurePlaceholder("block"), "");
  EXPECT_EQ(LogFormatter::FailurePlaceholder("mv"), "");
}

TEST(LogFormatterTest, AStringsOwnQuotesAreDoubledAndEveryOtherValueStaysAsShown) {
  const struct {
    const char* unitClass;
    const char* shown;
    const char* field;
  } cases[] = {
      {"string", R"("Kestrel "Power", Inc")", R"("Kestrel ""Power"", Inc")"},
      {"string", R"("""")", R"("""""")"},
      {"string", R"("a"b")", R"("a""b")"},
      {"string", R"("Norvale, Cells")", R"("Norvale, Cells")"},
      {"string", "\"\x1b[2J\"", "\"\x1b[2J\""},
      {"string", R"("")", R"("")"},
      {"block", "4E,22,56", "4E,22,56"},
      {"#H", "00C0", "00C0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LogFormatter::ValueField(c.unitClass, QString::fromLatin1(c.shown)),
              QString::fromLatin1(c.field))
        << c.shown;
  }
}

TEST(LogFormatterTest, WholeLinesAreWhatTheFileHolds) {
  const LogFormatter us;
  EXPECT_EQ(LogFormatter::HeaderLine(
                {{"Voltage", "mv"}, {"Current", "+/-ma"}, {"ManufacturerName", "string"}}),
            "Date/Time,Voltage(mv),Current(+/-ma),ManufacturerName(string)");
  EXPECT_EQ(us.RecordLine(kAfternoon, {"11842", "-1500", "\"Dalvern\"", "52,32"}),
            "05/17/2001 14:03:09,11842,-1500,\"Dalvern\",52,32");
  EXPECT_EQ(us.RecordStart(kAfternoon), "\r\n05/17/2001 14:03:09");
  EXPECT_EQ(LogFormatter::FileBytes(QString::fromLatin1("\"Gr\xFCn\"")), "\"Gr\xFCn\"");
}

}  // namespace
