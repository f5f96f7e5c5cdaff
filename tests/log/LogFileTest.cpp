// The log file on real files, and the failures a real system gives: a full
// device, a folder that does not exist, a path that is a folder, a file size
// limit. The tests run as root, so none of them relies on permission bits.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>

#include "log/LogFile.h"
#include "log/ScanLogFile.h"
#include "tests/log/LogTestSupport.h"
#include "tests/support/FakeRowControls.h"
#include "tests/support/QtPrinters.h"

namespace {

QString SystemText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

TEST(LogFileTest, BytesReachTheFileOneFullBufferAtATimeAndTheRestAtClose) {
  QTemporaryDir dir;
  const QString path = dir.filePath("log.txt");
  QFile(path).open(QIODevice::WriteOnly);
  QFile(path).write("old");
  LogFile file;
  ASSERT_EQ(file.Create(path), std::nullopt);
  EXPECT_EQ(QFileInfo(path).size(), 0) << "an existing file is emptied";
  ASSERT_EQ(file.Write(QByteArray(127, 'a')), std::nullopt);
  EXPECT_EQ(QFileInfo(path).size(), 0);
  ASSERT_EQ(file.Write("bc"), std::nullopt);
  EXPECT_EQ(QFileInfo(path).size(), 128);
  EXPECT_EQ(file.Buffered(), 1);
  ASSERT_EQ(file.Write(QByteArray(300, 'd')), std::nullopt);
  EXPECT_EQ(QFileInfo(path).size(), 384);
  ASSERT_EQ(file.Close(), std::nullopt);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(FileContent(path), QByteArray(127, 'a') + "bc" + QByteArray(300, 'd'));
}

class LogFileFaultTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  FakeRowControlsSource rows;
  RegisterCatalogue catalogue;
  FakeLogWindow window;
  ScanLogFile log{catalogue, window, LogFormatter{}};

  void SetUp() override { catalogue.BuildCatalogue(rows); }
};

TEST_F(LogFileFaultTest, FullDeviceFailsAtTheWriteThatFillsTheBufferAndTheLogStaysOpen) {
  log.OpenLogFile("/dev/full");
  ASSERT_TRUE(window.open);
  EXPECT_EQ(window.title, "Dalvern Corp. -  Pelmor - [full]");
  EXPECT_TRUE(log.ValueStep(9, QString(127, 'x')));
  EXPECT_TRUE(window.errors.isEmpty());
  EXPECT_FALSE(log.ValueStep(9, "1"));
  EXPECT_EQ(window.errors,
            QStringList{"Cannot write to the log file \"/dev/full\": " + SystemText(ENOSPC)});
  EXPECT_TRUE(window.open);
  EXPECT_FALSE(log.ValueStep(9, "2")) << "later writes try again";
  EXPECT_EQ(window.errors.size(), 2);
}

TEST_F(LogFileFaultTest, FullDeviceFailsAtCloseWhichStaysOpenAndTriesAgainWhenClosedAgain) {
  log.OpenLogFile("/dev/full");
  ASSERT_TRUE(log.LogPrefix(true, QDateTime(QDate(2026, 12, 7), QTime(9, 30))));
  log.MenuFileCloseLogFileClick();
  EXPECT_EQ(window.errors,
            QStringList{"Cannot write to the log file \"/dev/full\": " + SystemText(ENOSPC)});
  EXPECT_TRUE(window.open) << "menus unchanged";
  EXPECT_EQ(window.title, "Dalvern Corp. -  Pelmor - [full]");
  log.MenuFileCloseLogFileClick();
  EXPECT_EQ(window.errors.size(), 2) << "the second close tried once more";
  EXPECT_TRUE(window.open);
}

// With the file size limit at zero every write fails ("File too large"); once
// it is lifted the second close writes out what the first could not. The
// failed close took its line end back, so a record still under way goes on
// on its own line, and the file ends in one line end.
TEST_F(LogFileFaultTest, CloseThatFailedLeavesTheRecordWholeAndTheSecondCloseEndsIt) {
  const QString path = dir.filePath("limited.txt");
  log.OpenLogFile(path);
  ASSERT_TRUE(log.ValueStep(9, "4105"));
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit zero{0, limit.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &zero), 0);
  log.MenuFileCloseLogFileClick();
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(window.errors,
            QStringList{"Cannot write to the log file \"" + path + "\": " + SystemText(EFBIG)});
  EXPECT_TRUE(window.open);
  EXPECT_EQ(FileContent(path), "");

  ASSERT_TRUE(log.LogPrefix(false, QDateTime()));
  ASSERT_TRUE(log.ValueStep(10, "7"));
  log.MenuFileCloseLogFileClick();
  EXPECT_EQ(window.errors.size(), 1);
  EXPECT_FALSE(window.open);
  EXPECT_EQ(window.title, "Dalvern Corp. -  Pelmor");
  EXPECT_EQ(FileContent(path), "4105,7\r\n");
}

TEST_F(LogFileFaultTest, FolderThatDoesNotExistOpensNoLogAndChangesNothing) {
  const QString path = dir.filePath("missing/pelmorlog.txt");
  log.OpenLogFile(path);
  EXPECT_EQ(window.errors,
            QStringList{"Cannot create the log file \"" + path + "\": " + SystemText(ENOENT)});
  EXPECT_FALSE(window.open);
  EXPECT_EQ(window.title, "Dalvern Corp. -  Pelmor");
  EXPECT_FALSE(log.HeaderPending());
  EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(LogFileFaultTest, PathThatIsAFolderOpensNoLog) {
  log.OpenLogFile(dir.path());
  EXPECT_EQ(window.errors, QStringList{"Cannot create the log file \"" + dir.path() +
                                       "\": " + SystemText(EISDIR)});
  EXPECT_FALSE(window.open);
  EXPECT_FALSE(log.HeaderPending());
  EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

}  // namespace
