// File > Save Report... on the real window and the threaded rig: one pass of
// the window's own scan, the values in its table, the page written.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/ReportSaving.h"
#include "battery/RegisterNames.h"
#include "tests/app/ThreadedWindowFixture.h"

namespace {

class ReportSavingTest : public ThreadedWindowFixture {
 protected:
  ReportSavingTest() { rig = EmulatedRig::Threaded(EmulatedFault::None, EmulatedPack::Worn); }
};

TEST_F(ReportSavingTest, SaveReportReadsThePackOnceIntoTheTableAndWritesItsPage) {
  QTemporaryDir folder;
  const QString path = folder.filePath("worn.html");
  form().Catalogue().SelectAll(false);
  ReportSaving saving(form(), [&] { return path; });
  saving.MenuFileSaveReport->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(path); }, 10000));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(rig->Adapter().TransactionsStarted(), 20) << "one pass over the report's rows";
  EXPECT_EQ(form().Row(*RowNamed("CycleCount")).Data->text(), "812");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString page = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(page.contains(">CHECK</p>"));
  EXPECT_TRUE(page.contains("health 70.0 % (FullChargeCapacity against DesignCapacity)"));
}

}  // namespace
