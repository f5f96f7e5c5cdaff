// Log files as they come back: edited, cut off, mixed up, or no log at all.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryFile>

#include "chart/ChartPass.h"
#include "chart/LogNames.h"
#include "chart/LogReader.h"
#include "tests/support/QtPrinters.h"

namespace {

const QByteArray kHeader = "Date/Time,Temperature(0.1 degK),Voltage(mv),Current(+/-ma)\r\n";

// Keeps each pass it is handed as one line, "09:51:39 9=12283 10=-1500
// 15=given up", written during the hand-over: a reader's texts live only
// for it.
class RecordingFeed : public PassFeed {
 public:
  void AddPass(const ChartPass& pass) override {
    QString text = pass.start.toString(QStringLiteral("HH:mm:ss"));
    for (const ChartReading& reading : pass.readings) {
      text += QStringLiteral(" %1=%2")
                  .arg(reading.row)
                  .arg(reading.givenUp ? QStringLiteral("given up") : reading.text);
    }
    passes << text;
  }

  QStringList passes;
};

struct Reading {
  LogReader::Result result;
  QStringList problems;  // "line: problem"
  RecordingFeed feed;
};

Reading Read(QIODevice& device) {
  Reading reading;
  LogReader reader(reading.feed, [&reading](qint64 line, const QString& problem) {
    reading.problems << QStringLiteral("%1: %2").arg(line).arg(problem);
  });
  reading.result = reader.Read(device);
  return reading;
}

Reading Read(const QByteArray& content) {
  QBuffer buffer;
  buffer.setData(content);
  buffer.open(QIODevice::ReadOnly);
  return Read(buffer);
}

}  // namespace

TEST(LogReader, LogsAreReadAsFarAsTheyCanBeAndEachProblemNamesItsLine) {
  const struct {
    const char* what;
    QByteArray content;
    QStringList passes;        // what the feed gets
    QStringList problemsLike;  // one a problem: its line and a part of its text
  } cases[] = {
      {"a whole log",
       kHeader + "12/07/2026 09:51:39,2965,12283,-1500\r\n12/07/2026 09:51:43,2966,12282,-1500\r\n",
       {"09:51:39 8=2965 9=12283 10=-1500", "09:51:43 8=2966 9=12282 10=-1500"},
       {}},
      {"an empty log is a log without records", "\r\n", {}, {}},
      // Older logs wrote a register given up as 0, as a reading of 0: the reader
      // takes a 0 for a placeholder where no answering pack reads 0, or where
      // it stands alone between readings that are not.
      {"zeros that are placeholders are given up and real zeros stay",
       kHeader + "12/07/2026 09:51:39,2965,12283,-1500\r\n"
                 "12/07/2026 09:51:43,0,12282,0\r\n"     // temperature 0 K; current alone
                 "12/07/2026 09:51:47,2966,0,-1500\r\n"  // voltage 0
                 "12/07/2026 09:51:51,2966,9000,0\r\n"   // the pack is empty: current 0
                 "12/07/2026 09:51:55,2966,9000,0\r\n",
       {"09:51:39 8=2965 9=12283 10=-1500", "09:51:43 8=given up 9=12282 10=given up",
        "09:51:47 8=2966 9=given up 10=-1500", "09:51:51 8=2966 9=9000 10=0",
        "09:51:55 8=2966 9=9000 10=0"},
       {}},
      {"a log that leaves a row given up empty: every 0 in it is a reading, as in a pulse test",
       kHeader + "12/07/2026 09:51:39,2965,12283,-3000\r\n"
                 "12/07/2026 09:51:43,,12282,0\r\n"
                 "12/07/2026 09:51:47,2966,,-3000\r\n",
       {"09:51:39 8=2965 9=12283 10=-3000", "09:51:43 8=given up 9=12282 10=0",
        "09:51:47 8=2966 9=given up 10=-3000"},
       {}},
      {"line ends without CR, and a blank line",
       kHeader + "12/07/2026 09:51:39,2965,12283,-1500\n\n12/07/2026 09:51:43,2966,12282,-1500\n",
       {"09:51:39 8=2965 9=12283 10=-1500", "09:51:43 8=2966 9=12282 10=-1500"},
       {}},
      {"a log still open: its last record is still being written and is left out",
       kHeader + "12/07/2026 09:51:39,2965,12283,-1500\r\n12/07/2026 09:51:43,2966,122",
       {"09:51:39 8=2965 9=12283 10=-1500"},
       {}},
      {"saved by a spreadsheet",
       kHeader + "12/7/2026 9:51,2965,12283,-1500\r\n",
       {},
       {"2: its time stamp \"12/7/2026 9:51\" was rewritten, as a spreadsheet saves it"}},
      {"too many fields",
       kHeader +
           "12/07/2026 09:51:39,2965,12283,-1500,7\r\n12/07/2026 09:51:43,2966,12282,-1500\r\n",
       {"09:51:43 8=2966 9=12282 10=-1500"},
       {"2: 1 more fields than its header's columns take"}},
      {"too few fields, as a stopped pass leaves",
       kHeader + "12/07/2026 09:51:39,2965,12283\r\n",
       {"09:51:39 8=2965 9=12283"},
       {"2: 2 of its header's 3 registers"}},
      {"a second header in the middle, as an appended file has",
       kHeader + "12/07/2026 09:51:39,2965,12283,-1500\r\n"
                 "Date/Time,Voltage(mv),RelStateOfCharge(%)\r\n12/08/2026 10:00:00,12100,80\r\n",
       {"09:51:39 8=2965 9=12283 10=-1500", "10:00:00 9=12100 13=80"},
       {"3: a second header line"}},
      {"a header written at the end of a record, as a log opened during auto-repeat has",
       "\r\n12/07/2026 09:51:31,12285\r\n12/07/2026 09:51:35,12284" + kHeader +
           "12/07/2026 09:51:39,2965,12283,-1500\r\n",
       {"09:51:39 8=2965 9=12283 10=-1500"},
       {"2: a record before any header line", "3: a record before any header line",
        "3: a header begins after the record"}},
      {"a time stamp in another locale's separators",
       kHeader + "12/07/2026 09:51:39,2965,12283,-1500\r\n12.07.2026 09.51.43,2966,12282,-1500\r\n",
       {"09:51:39 8=2965 9=12283 10=-1500", "09:51:43 8=2966 9=12282 10=-1500"},
       {"3: its time stamp has the separators . and . where the file's first record has / and :"}},
      {"lines that are not records",
       kHeader +
           "12/07/2026 09:51:39,2965,12283,-1500\r\nnotes: pack 3\r\n13/45/2026 09:51:43,1\r\n" +
           QByteArray(5000, 'x') + "\r\n12/07/2026 09:51:47,2966,12281,-1500\r\n",
       {"09:51:39 8=2965 9=12283 10=-1500", "09:51:47 8=2966 9=12281 10=-1500"},
       {"3: not a record", "4: not a record", "5: longer than any record"}},
      {"a field that is no number is a gap",
       kHeader + "12/07/2026 09:51:39,2965,12x83,-1500\r\n",
       {"09:51:39 8=2965 9=12x83 10=-1500"},
       {"2: Voltage reads \"12x83\", which is no number"}},
      {"texts with commas, the block's bytes and hexadecimal words take their own fields",
       "Date/Time,BatteryMode(#H),Voltage(mv),ManufacturerName(string),DeviceName(string),"
       "ManufacturerData(block)\r\n12/07/2026 09:51:39,8000,12283,\"Norvale, "
       "Cells\",\"\",4E,56\r\n",
       {"09:51:39 3=8000 9=12283"},
       {}},
      {"the command line's optional and numbered registers, in the order asked for",
       "Date/Time,Voltage(mv),CellVoltage1(mv),CellVoltage2(mv),StateOfHealth(%),0x3C(#H)\r\n"
       "12/07/2026 09:51:39,12283,4095,4094,95,\r\n",
       {"09:51:39 9=12283 36=4095 35=4094 37=95 124=given up"},
       {}},
      {"a text's doubled quotes stay inside it, a comma after one too",
       "Date/Time,Voltage(mv),ManufacturerName(string),DeviceName(string)\r\n"
       "12/07/2026 09:51:39,12283,\"Kestrel \"\"Power\"\", Inc\",\"\"\"\"\"\"\r\n",
       {"09:51:39 9=12283"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Reading reading = Read(c.content);
    ASSERT_FALSE(reading.result.refusal) << *reading.result.refusal;
    EXPECT_EQ(reading.feed.passes, c.passes);
    ASSERT_EQ(reading.problems.size(), c.problemsLike.size()) << reading.problems.join("\n");
    for (qsizetype i = 0; i < c.problemsLike.size(); ++i) {
      EXPECT_TRUE(reading.problems[i].startsWith(c.problemsLike[i])) << reading.problems[i];
    }
    EXPECT_EQ(reading.result.records, static_cast<qint64>(c.passes.size()));
  }
}

TEST(LogReader, AFileThatIsNoLogIsRefusedBeforeAnyPassIsFed) {
  const struct {
    QByteArray content;
    const char* refusal;
  } cases[] = {
      {QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "it holds binary data"},
      {"time,voltage\n1,12.3\n", "its first line is neither the log's header"},
      {"Date/Time,Voltage(V)\r\n12/07/2026 09:51:39,12.3\r\n",
       "its header line is not one Pelmor writes: its column 2 \"Voltage(V)\" is not a register"},
      {"Date/Time,Current(+/-ma),Voltage(mv)\r\n",
       "its header line is not one Pelmor writes: its columns are not in the register table's"},
      {"12/07/2026 09:51:39,12283\r\n12/07/2026 09:51:43,12282\r\n", "it has no header line"},
  };
  for (const auto& c : cases) {
    const Reading reading = Read(c.content);
    ASSERT_TRUE(reading.result.refusal) << c.refusal;
    EXPECT_TRUE(reading.result.refusal->startsWith(QLatin1String(c.refusal)))
        << *reading.result.refusal;
    EXPECT_TRUE(reading.feed.passes.isEmpty());
  }
}

// A real file read in chunks: a line that a chunk's end cuts in two is one
// line, whole.
TEST(LogReader, ALogLongerThanAChunkIsReadWholeAcrossTheChunks) {
  const auto clock = [](int second) {
    return QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss"));
  };
  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  file.write(kHeader);
  const int records = 40'000;  // about 1.5 MiB
  for (int i = 0; i < records; ++i) {
    file.write(QStringLiteral("12/07/2026 %1,%2,%3,-1500\r\n")
                   .arg(clock(i))
                   .arg(2965 + i % 7)
                   .arg(12000 + i % 283)
                   .toLatin1());
  }
  ASSERT_GT(file.size(), 1 << 20);
  file.seek(0);
  const Reading reading = Read(file);
  EXPECT_FALSE(reading.result.refusal);
  EXPECT_TRUE(reading.problems.isEmpty()) << reading.problems.mid(0, 5).join("\n");
  ASSERT_EQ(reading.feed.passes.size(), records);
  for (int i = 0; i < records; i += 997) {
    EXPECT_EQ(reading.feed.passes[i], QStringLiteral("%1 8=%2 9=%3 10=-1500")
                                          .arg(clock(i))
                                          .arg(2965 + i % 7)
                                          .arg(12000 + i % 283));
  }
}

TEST(LogNames, LogsComparedAreNamedByFileAndFoldersOnlyWhereNamesClash) {
  const struct {
    QStringList paths;
    QStringList names;
  } cases[] = {
      {{"a.txt", "b.txt"}, {"a.txt", "b.txt"}},
      {{"r1/run.txt", "r2/run.txt", "b.txt"}, {"r1/run.txt", "r2/run.txt", "b.txt"}},
      {{"x/r/run.txt", "y/r/run.txt"}, {"x/r/run.txt", "y/r/run.txt"}},
      {{"a.txt", "./a.txt", "a.txt"}, {"a.txt", "a.txt (2)", "a.txt (3)"}},
  };
  for (const auto& c : cases) EXPECT_EQ(LogNames(c.paths), c.names) << c.paths.join(' ');
}
