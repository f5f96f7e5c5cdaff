// An hour of continuous auto-repeat with the log open, on the deterministic
// rig and the fake clock: one record a pass, every record whole.
#include <QTemporaryDir>

#include "log/ScanLogFile.h"
#include "tests/log/LogTestSupport.h"
#include "tests/support/ScanHarness.h"

namespace {

class LongDischargeLogTest : public ScanHarness {
 protected:
  void SetUp() override { logSwitch.target = &fileLog; }

  QTemporaryDir dir;
  QString path = dir.filePath("discharge.txt");
  FakeLogWindow window;
  ScanLogFile fileLog{catalogue, window, LogFormatter{}};
};

TEST_F(LongDischargeLogTest, AnHourOfContinuousPassesGivesOneWholeRecordEach) {
  controls.autoRepeat = true;
  controls.interval = RepeatInterval::Continuous;
  fileLog.OpenLogFile(path);
  StartScan();
  for (int minute = 0; minute < 60; ++minute) Advance(60s);
  controls.autoRepeat = false;  // the pass under way is the last
  RunUntilIdle();
  fileLog.MenuFileCloseLogFileClick();
  ASSERT_TRUE(window.errors.isEmpty()) << window.errors.join("\n").toStdString();
  ASSERT_EQ(Transactions() % 33, 0);
  const int passes = Transactions() / 33;
  EXPECT_GT(passes, 1000);
  RecordProperty("passes", passes);

  const QByteArray content = FileContent(path);
  ASSERT_TRUE(content.endsWith("\r\n"));
  QList<QByteArray> lines = content.chopped(2).split('\n');
  for (QByteArray& line : lines) {
    ASSERT_TRUE(line.endsWith('\r') || &line == &lines.last());
    if (line.endsWith('\r')) line.chop(1);
  }
  ASSERT_EQ(lines.size(), 1 + passes);
  EXPECT_EQ(lines[0].count(',') + 1, 34);
  const int blockBytes = catalogue.DataText(32).count(',') + 1;
  QDateTime previous;
  for (int i = 1; i < lines.size(); ++i) {
    const QList<QByteArray> fields = lines[i].split(',');
    ASSERT_EQ(fields.size(), 1 + 32 + blockBytes) << "record " << i;
    const QDateTime stamp =
        QDateTime::fromString(QString::fromLatin1(fields[0]), "MM/dd/yyyy HH:mm:ss");
    ASSERT_TRUE(stamp.isValid()) << fields[0].toStdString();
    if (previous.isValid()) {
      ASSERT_GE(previous.secsTo(stamp), 3) << "record " << i;
      ASSERT_LE(previous.secsTo(stamp), 4) << "record " << i;
    }
    previous = stamp;
  }
  EXPECT_EQ(previous.date(), QDate(2026, 12, 7));
  EXPECT_GE(previous.time(), QTime(10, 29, 50));
}

}  // namespace
