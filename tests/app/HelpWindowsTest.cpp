#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/app/AppFixture.h"

namespace {

class HelpWindowsTest : public AppFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(workDir.isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(workDir.path());
    StartProgram();
  }
  void TearDown() override {
    QDir::setCurrent(previousDir);
    AppFixture::TearDown();
  }
  void WriteReadMe(const QByteArray& text) {
    QFile file(workDir.filePath("README.TXT"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
  }
  QString ShowReadMe() {
    TReadMe& viewer = windows->ReadMe();
    viewer.show();
    const QString text = viewer.Memo1->toPlainText();
    viewer.accept();
    return text;
  }

  QTemporaryDir workDir;
  QString previousDir;
};

TEST_F(HelpWindowsTest, ReadMeFollowsTheFileAndKeepsItsLastTextWhenItGoes) {
  EXPECT_EQ(ShowReadMe(), "Cannot find file README.TXT\nReinstall from distribution diskette.");
  WriteReadMe("First version\r\nline two\r\n");
  EXPECT_EQ(ShowReadMe(), "First version\nline two\n");
  WriteReadMe("Second version\n");
  EXPECT_EQ(ShowReadMe(), "Second version\n");
  ASSERT_TRUE(QFile::remove(workDir.filePath("README.TXT")));
  EXPECT_EQ(ShowReadMe(), "Second version\n");
}

TEST_F(HelpWindowsTest, ReadMeFallsBackToTheInstalledCopyAndPrefersTheWorkingFolder) {
  QTemporaryDir installed;
  ASSERT_TRUE(installed.isValid());
  {
    QFile file(installed.filePath("README.TXT"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Installed copy\n");
  }
  TReadMe viewer(installed.path());
  EXPECT_EQ(viewer.FileToShow(), installed.filePath("README.TXT"));
  viewer.show();
  EXPECT_EQ(viewer.Memo1->toPlainText(), "Installed copy\n");
  viewer.accept();

  WriteReadMe("Working folder copy\n");
  EXPECT_EQ(viewer.FileToShow(), workDir.filePath("README.TXT"));
  viewer.show();
  EXPECT_EQ(viewer.Memo1->toPlainText(), "Working folder copy\n");
  viewer.accept();
}

TEST_F(HelpWindowsTest, InstalledCopyLivesInTheDataFolderBesideTheExecutablesFolder) {
  const QString expected =
      QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/pelmor");
  EXPECT_EQ(TReadMe::InstalledFolder(), expected);
  EXPECT_EQ(windows->ReadMe().FileToShow(), QString());
}

TEST_F(HelpWindowsTest, ReadMeShowsWhyAnUnreadableFileIsNotShown) {
  ASSERT_TRUE(QDir(workDir.path()).mkdir("README.TXT"));
  EXPECT_TRUE(ShowReadMe().startsWith("Cannot read file README.TXT"));
}

TEST_F(HelpWindowsTest, ReadMeTakesLatinOneTextThatIsNotUtf8) {
  WriteReadMe(
      "Temp 25\xB0"
      "C\n");
  EXPECT_EQ(ShowReadMe(), QString::fromUtf8("Temp 25\u00B0C\n"));
}

TEST_F(HelpWindowsTest, RevisionReportHasItsTwentyTwoLines) {
  const QStringList lines = windows->RevReport().Memo1->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 22);
  EXPECT_EQ(lines[0], "SMBus Pelmor");
  EXPECT_EQ(lines[1], "Revision Report");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "Date\t\tRevision");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "01-APR-08\tRelease V2.10.");
  EXPECT_EQ(lines[11], "01-AUG-03\t  Correct log file processing on:");
  EXPECT_EQ(lines[15], "01-AUG-03\t  Log 0, or \" \" if battery not responding.");
  EXPECT_EQ(lines[21], "10-OCT-97\tRelease V1.10.");
  EXPECT_EQ(windows->RevReport().windowTitle(), "Revision Report");
}

TEST_F(HelpWindowsTest, AboutBoxHasNoTitleBarButtonsAndOnlyOkClosesIt) {
  TAboutBox& about = windows->AboutBox();
  EXPECT_EQ(about.windowTitle(), "About");
  EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(about.windowFlags() & Qt::WindowSystemMenuHint);
  about.show();
  about.reject();
  EXPECT_TRUE(about.isVisible());
  about.close();
  EXPECT_TRUE(about.isVisible());
  about.OKButton->click();
  EXPECT_FALSE(about.isVisible());
  for (const char* name : {"ProductName", "Label4", "Version", "Label5"}) {
    EXPECT_NE(about.findChild<QLabel*>(name), nullptr) << name;
  }
  EXPECT_EQ(about.findChild<QLabel*>("Version")->text(), "Version 2.1.0");
}

TEST_F(HelpWindowsTest, AboutBoxOnTheEmulatedRigSaysSo) {
  const QLabel* emulated = windows->AboutBox().findChild<QLabel*>("EmulatedRig");
  ASSERT_NE(emulated, nullptr);
  EXPECT_EQ(emulated->text(), "Emulated rig: no real adapter or battery");
}

}  // namespace
