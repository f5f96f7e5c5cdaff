// What the scan leaves in a real log file, byte for byte, on the deterministic
// rig with a battery answering marker values: Voltage 4105, Current 4106,
// AverageCurrent 4107, ManufacturerName "R20", DeviceChemistry "R22",
// ManufacturerData the bytes 52,32,33. The fake clock starts at 09:30:00 on
// 7 December 2026.
#include <sys/resource.h>

#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "log/ScanLogFile.h"
#include "tests/log/LogTestSupport.h"
#include "tests/support/ScanHarness.h"

namespace {

class ScanLogContentTest : public ScanHarness {
 protected:
  void SetUp() override {
    rig->Battery().SetMarkerValues(true);
    logSwitch.target = &fileLog;
  }
  void OpenLog() {
    fileLog.OpenLogFile(path);
    ASSERT_TRUE(window.open);
  }
  QByteArray CloseLog() {
    fileLog.MenuFileCloseLogFileClick();
    EXPECT_FALSE(window.open);
    EXPECT_TRUE(window.errors.isEmpty()) << window.errors.join("\n").toStdString();
    return FileContent(path);
  }
  void Pass() {
    StartScan();
    RunUntilIdle();
  }

  QTemporaryDir dir;
  QString path = dir.filePath("pelmorlog.txt");
  FakeLogWindow window;
  ScanLogFile fileLog{catalogue, window, LogFormatter{}};
};

TEST_F(ScanLogContentTest, OpenAndCloseOnlyLeavesOneLineEnd) {
  OpenLog();
  EXPECT_EQ(window.title, "Dalvern Corp. -  Pelmor - [pelmorlog.txt]");
  EXPECT_EQ(CloseLog(), "\r\n");
  EXPECT_EQ(window.title, "Dalvern Corp. -  Pelmor");
}

TEST_F(ScanLogContentTest, HeaderAndOneRecordAPass) {
  TickOnly({9, 10, 29});
  OpenLog();
  Pass();
  Advance(5s);
  Pass();
  EXPECT_EQ(CloseLog(),
            "Date/Time,Voltage(mv),Current(+/-ma),ManufacturerName(string)\r\n"
            "12/07/2026 09:30:00,4105,4106,\"R20\"\r\n"
            "12/07/2026 09:30:05,4105,4106,\"R20\"\r\n");
}

TEST_F(ScanLogContentTest, RowFailingTwiceThenSucceedingHasOneFieldWithItsValue) {
  TickOnly({9, 10});
  rig->Adapter().FailCommand(0x09, AdapterEvent::SlaveNack, 2);
  OpenLog();
  Pass();
  EXPECT_EQ(CloseLog(),
            "Date/Time,Voltage(mv),Current(+/-ma)\r\n12/07/2026 09:30:00,4105,4106\r\n");
}

TEST_F(ScanLogContentTest, RowsGivenUpHaveTheirPlaceholders) {
  TickOnly({9, 29, 32});
  rig->Adapter().FailCommand(0x09, AdapterEvent::SlaveNack, 5);
  rig->Adapter().FailCommand(0x20, AdapterEvent::SlaveNack, 5);
  rig->Adapter().FailCommand(0x23, AdapterEvent::SlaveNack, 5);
  OpenLog();
  Pass();
  EXPECT_EQ(CloseLog(),
            "Date/Time,Voltage(mv),ManufacturerName(string),ManufacturerData(block)\r\n"
            "12/07/2026 09:30:00,,\"\",\r\n");
}

TEST_F(ScanLogContentTest, BlockRowAddsOneFieldAByte) {
  TickOnly({31, 32});
  OpenLog();
  Pass();
  EXPECT_EQ(CloseLog(),
            "Date/Time,DeviceChemistry(string),ManufacturerData(block)\r\n"
            "12/07/2026 09:30:00,\"R22\",52,32,33\r\n");
}

TEST_F(ScanLogContentTest, LogOpenedMidPassTakesTheRestOfThePassOnItsFirstLine) {
  TickOnly({9, 10, 11});
  StartScan();
  Advance(130ms);  // the read of Voltage is in flight; its separator went nowhere
  ASSERT_EQ(state.pendingRow, 9);
  OpenLog();
  RunUntilIdle();
  Pass();  // the header waited for this press, and begins a line of its own
  EXPECT_EQ(QString::fromLatin1(CloseLog()),
            "4105,4106,4107\r\n"
            "Date/Time,Voltage(mv),Current(+/-ma),AverageCurrent(+/-ma)\r\n"
            "12/07/2026 09:30:00,4105,4106,4107\r\n");
}

TEST_F(ScanLogContentTest, CloseMidPassEndsTheRecordThereAndTheRestOfThePassWritesNothing) {
  TickOnly({9, 10, 11});
  OpenLog();
  StartScan();
  Advance(200ms);  // Voltage read, Current not yet
  const QByteArray closed = CloseLog();
  EXPECT_EQ(closed,
            "Date/Time,Voltage(mv),Current(+/-ma),AverageCurrent(+/-ma)\r\n"
            "12/07/2026 09:30:00,4105\r\n");
  RunUntilIdle();
  EXPECT_EQ(catalogue.DataText(11), "4107");
  EXPECT_EQ(FileContent(path), closed);
}

TEST_F(ScanLogContentTest, WriteScanWithAGivenUpRowAddsNothing) {
  SwitchMode(ScanMode::Write);
  TickOnly({1, 2});
  rig->Adapter().FailCommand(0x01, AdapterEvent::SlaveNack, 5);
  OpenLog();
  Pass();
  EXPECT_EQ(catalogue.DataText(1), "NACK");
  EXPECT_EQ(CloseLog(), "Date/Time,RemainCapacityAlarm(maH 10mwH),RemainTimeAlarm(min)\r\n");
}

TEST_F(ScanLogContentTest,
       LogOpenedDuringAutoRepeatStartsWithAnEmptyLineAndTheHeaderWaitsForAPressOnItsOwnLine) {
  TickOnly({9, 10});
  controls.autoRepeat = true;
  StartScanAndOpenLink();
  Advance(1s);
  OpenLog();
  Advance(10s);  // the repeated pass at ten seconds writes a record, no header
  engine.Stop();
  controls.autoRepeat = false;
  Pass();
  EXPECT_EQ(CloseLog(),
            "\r\n12/07/2026 09:30:10,4105,4106\r\n"
            "Date/Time,Voltage(mv),Current(+/-ma)\r\n"
            "12/07/2026 09:30:11,4105,4106\r\n");
}

TEST_F(ScanLogContentTest, EveryRepeatedPassBeginsARecordWhicheverRowItStartsAt) {
  TickOnly({9, 10});
  controls.autoRepeat = true;
  controls.interval = RepeatInterval::Continuous;
  OpenLog();
  StartScanAndOpenLink();
  while (state.rowIndex < kNoRow) Advance(1ms);
  catalogue.SetSelected(9, false);
  while (Transactions() < 4 || state.rowIndex < kNoRow) Advance(1ms);
  catalogue.SetSelected(3, true);
  while (Transactions() < 6 || state.rowIndex < kNoRow) Advance(1ms);
  engine.Stop();
  EXPECT_EQ(QString::fromLatin1(CloseLog()),
            "Date/Time,Voltage(mv),Current(+/-ma)\r\n"
            "12/07/2026 09:30:00,4105,4106\r\n"
            "12/07/2026 09:30:00,4106\r\n"
            "12/07/2026 09:30:00,4106\r\n"
            "12/07/2026 09:30:00,1003,4106\r\n");
}

TEST_F(ScanLogContentTest, RowUntickedBetweenItsAttemptsLeavesItsFieldEmptyAndTheNextInItsOwn) {
  TickOnly({9, 10});
  rig->Adapter().FailCommand(0x09, AdapterEvent::SlaveNack, 2);
  OpenLog();
  StartScanAndOpenLink();
  while (state.retryCounter > 3) Advance(1ms);  // Voltage failed twice
  catalogue.SetSelected(9, false);
  RunUntilIdle();
  EXPECT_EQ(QString::fromLatin1(CloseLog()),
            "Date/Time,Voltage(mv),Current(+/-ma)\r\n"
            "12/07/2026 09:30:00,,4106\r\n");
}

// The header of rows 0 to 5 fills the output buffer, so its write fails while
// no file may grow; the press then ends with the error shown and starts no
// scan. The next press, with room again, runs its pass under that header.
// A header that could not be written leaves nothing behind: the next press
// writes the header of the rows it has ticked, once.
TEST_F(ScanLogContentTest, AHeaderWhoseWriteFailedIsWrittenByTheNextPressForItsOwnRows) {
  const struct {
    std::initializer_list<int> nextTicks;
    const char* file;
  } cases[] = {
      {{0, 1, 2, 3, 4, 5},
       "Date/Time,ManufacturerAccess(#H),RemainCapacityAlarm(maH 10mwH),RemainTimeAlarm(min),"
       "BatteryMode(#H),AtRate(+/-ma 10mw),AtRateTimeToFull(min)\r\n"
       "12/07/2026 09:30:00,1000,4097,4098,1003,4100,4101\r\n"},
      {{9}, "Date/Time,Voltage(mv)\r\n12/07/2026 09:30:00,4105\r\n"},
  };
  for (const auto& c : cases) {
    TickOnly({0, 1, 2, 3, 4, 5});
    OpenLog();
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit none{0, limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    StartScan();
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_EQ(window.errors, QStringList{"Cannot write to the log file \"" + path +
                                         "\": " + QString::fromLocal8Bit(std::strerror(EFBIG))});
    EXPECT_FALSE(controls.running);
    window.errors.clear();
    TickOnly(c.nextTicks);
    clock.base = QDateTime(QDate(2026, 12, 7), QTime(9, 30, 0)).addMSecs(-Now().count() / 1000);
    Pass();
    EXPECT_EQ(QString::fromLatin1(CloseLog()), c.file);
  }
}

}  // namespace
