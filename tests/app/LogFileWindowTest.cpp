// The log file from the main window: the File menu, OpenDialog1, the title,
// the error boxes, the end of the program with a log open, and a discharge log
// written by the real window on the threaded rig with real timers.
#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "tests/app/ThreadedWindowFixture.h"
#include "tests/log/LogTestSupport.h"

namespace {

struct AnsweringDialog : LogFileDialog {
  std::optional<QString> answer;
  int shown = 0;
  std::optional<QString> ChooseLogFile() override {
    ++shown;
    return answer;
  }
};

// The visible message boxes' texts; the boxes are closed.
QStringList TakeMessageBoxes() {
  QStringList texts;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
      texts << box->windowTitle() + "|" + box->text();
      box->close();
    }
  }
  return texts;
}

// Answers the modal box that is about to open with the button given.
void AnswerNextModalBox(QMessageBox::StandardButton button, QString* text = nullptr) {
  QTimer::singleShot(0, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    if (text != nullptr) *text = box->text();
    box->button(button)->click();
  });
}

class LogFileWindowTest : public ThreadedWindowFixture {
 protected:
  void OpenLog(const QString& path) {
    dialog.answer = path;
    form().SetLogFileDialog(dialog);
    form().MenuFileOpenLogFile->trigger();
  }
  void TickOnly(std::initializer_list<int> rows) {
    for (int row = 0; row < 33; ++row) form().Row(row).ChkBx->setChecked(false);
    for (int row : rows) form().Row(row).ChkBx->setChecked(true);
  }
  AnsweringDialog dialog;
  QTemporaryDir dir;
};

TEST_F(LogFileWindowTest, OpenDialog1StartsOnPelmorlogWithItsFilterSuffixAndOverwriteQuestion) {
  QFileDialog* open = &form().OpenDialog1();
  EXPECT_EQ(open->objectName(), "OpenDialog1");
  EXPECT_EQ(open->nameFilters(), QStringList{"Text Files (*.txt)"});
  EXPECT_EQ(open->defaultSuffix(), "TXT");
  EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(open->testOption(QFileDialog::DontConfirmOverwrite));
  ASSERT_EQ(open->selectedFiles().size(), 1);
  EXPECT_EQ(open->selectedFiles().first(), QDir::current().absoluteFilePath("pelmorlog.txt"))
      << "it starts in the working folder";
  EXPECT_FALSE(form().Log().HeaderPending());
  EXPECT_FALSE(form().Log().HeaderColumns());
}

// The dialogs' history of test folders goes to the tests' own settings, not
// to the settings of the person running them.
TEST_F(LogFileWindowTest, QtSettingsOfTheTestsStayInTheirOwnFolder) {
  ASSERT_TRUE(QStandardPaths::isTestModeEnabled());
  const QString ownConfig = qEnvironmentVariable("XDG_CONFIG_HOME", QDir::homePath() + "/.config");
  const QString settingsFile = QSettings(QSettings::UserScope, "QtProject").fileName();
  EXPECT_TRUE(settingsFile.startsWith(
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/"))
      << settingsFile.toStdString();
  EXPECT_FALSE(settingsFile.startsWith(ownConfig + "/")) << settingsFile.toStdString();
}

TEST_F(LogFileWindowTest, OpenDialog1AddsTheSuffixStartsFromTheLastFileAndAsksBeforeReplacing) {
  QTimer::singleShot(0, [&] {
    form().OpenDialog1().findChild<QLineEdit*>("fileNameEdit")->setText(dir.filePath("discharge"));
    static_cast<QDialog&>(form().OpenDialog1()).accept();
  });
  form().MenuFileOpenLogFile->trigger();
  const QString chosen = dir.filePath("discharge.TXT");
  EXPECT_EQ(form().Log().Path(), chosen);
  EXPECT_EQ(form().windowTitle(), "Dalvern Corp. -  Pelmor - [emulated rig] - [discharge.TXT]");
  form().MenuFileCloseLogFile->trigger();
  ASSERT_EQ(FileContent(chosen), "\r\n");

  QString question;
  QTimer::singleShot(0, [&] {
    EXPECT_EQ(form().OpenDialog1().selectedFiles(), QStringList{chosen});
    AnswerNextModalBox(QMessageBox::Yes, &question);
    static_cast<QDialog&>(form().OpenDialog1()).accept();
  });
  form().MenuFileOpenLogFile->trigger();
  EXPECT_TRUE(question.contains("discharge.TXT already exists")) << question.toStdString();
  EXPECT_TRUE(form().MenuFileCloseLogFile->isEnabled());
  EXPECT_EQ(FileContent(chosen), "") << "created afresh";
}

TEST_F(LogFileWindowTest, MenusAndTitleFollowTheOpenState) {
  const QString path = dir.filePath("pelmorlog.txt");
  OpenLog(path);
  EXPECT_FALSE(form().MenuFileOpenLogFile->isEnabled());
  EXPECT_TRUE(form().MenuFileCloseLogFile->isEnabled());
  EXPECT_EQ(form().windowTitle(), "Dalvern Corp. -  Pelmor - [emulated rig] - [pelmorlog.txt]");
  EXPECT_TRUE(form().Log().HeaderPending());
  form().MenuFileCloseLogFile->trigger();
  EXPECT_TRUE(form().MenuFileOpenLogFile->isEnabled());
  EXPECT_FALSE(form().MenuFileCloseLogFile->isEnabled());
  EXPECT_EQ(form().windowTitle(), "Dalvern Corp. -  Pelmor - [emulated rig]");
  EXPECT_EQ(FileContent(path), "\r\n");

  dialog.answer.reset();
  form().MenuFileOpenLogFile->trigger();
  EXPECT_EQ(dialog.shown, 2);
  EXPECT_TRUE(form().MenuFileOpenLogFile->isEnabled());
  EXPECT_EQ(form().windowTitle(), "Dalvern Corp. -  Pelmor - [emulated rig]");
}

TEST_F(LogFileWindowTest, FileThatCannotBeCreatedIsNamedInAnErrorBoxWithTheSystemsReason) {
  const QString path = dir.filePath("no such folder/pelmorlog.txt");
  OpenLog(path);
  EXPECT_EQ(TakeMessageBoxes(), QStringList{"Error|Cannot create the log file \"" + path + "\": " +
                                            QString::fromLocal8Bit(std::strerror(ENOENT))});
  EXPECT_TRUE(form().MenuFileOpenLogFile->isEnabled());
  EXPECT_FALSE(form().MenuFileCloseLogFile->isEnabled());
  EXPECT_EQ(form().windowTitle(), "Dalvern Corp. -  Pelmor - [emulated rig]");
}

TEST_F(LogFileWindowTest, ExitWithALogOpenEndsTheFileWithTheLastRecordAndALineEnd) {
  const QString path = dir.filePath("exit.txt");
  TickOnly({9, 10});
  OpenLog(path);
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  ASSERT_TRUE(WaitForIdle());
  ASSERT_EQ(FileContent(path), "") << "all of it still in the buffer";
  form().MenuFileExit->trigger();
  const QByteArray content = FileContent(path);
  EXPECT_TRUE(content.startsWith("Date/Time,Voltage(mv),Current(+/-ma)\r\n"));
  EXPECT_TRUE(content.endsWith("," + form().Row(9).Data->text().toLatin1() + "," +
                               form().Row(10).Data->text().toLatin1() + "\r\n"))
      << content.toStdString();
  EXPECT_EQ(content.count("\r\n"), 2);
}

TEST_F(LogFileWindowTest, ClosingTheWindowWithALogOpenClosesTheLogToo) {
  const QString path = dir.filePath("closed.txt");
  OpenLog(path);
  QApplication::setQuitOnLastWindowClosed(false);  // the other tests' event loops go on
  form().close();
  QApplication::setQuitOnLastWindowClosed(true);
  EXPECT_EQ(FileContent(path), "\r\n");
}

TEST_F(LogFileWindowTest, ExitThatCannotWriteTheLogSaysSoAndStillEnds) {
  OpenLog("/dev/full");
  ASSERT_TRUE(form().MenuFileCloseLogFile->isEnabled());
  ASSERT_EQ(rig->Adapter().I2COpen(
                MakeOpenParams(1), [](std::int32_t) {}, kAdapterLogFileName),
            0);
  QString text;
  AnswerNextModalBox(QMessageBox::Ok, &text);
  form().MenuFileExit->trigger();
  EXPECT_EQ(text, "Cannot write to the log file \"/dev/full\": " +
                      QString::fromLocal8Bit(std::strerror(ENOSPC)) +
                      "\n\nPelmor ends now; the end of the log is lost.");
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
}

// A discharge test as a technician runs it: a log open, Auto Repeat ticked
// under "Continuous", three passes, the log closed; the file read back as CSV.
TEST_F(LogFileWindowTest, ThreeContinuousPassesMakeACsvFileOfOneHeaderAndThreeRecords) {
  const QList<int> rows = {8, 9, 10, 11, 13, 14, 15, 16, 22, 23, 29, 32};
  TickOnly({8, 9, 10, 11, 13, 14, 15, 16, 22, 23, 29, 32});
  form().MenuOptionsAutoRepeatContinuous->trigger();
  form().AutoRepeat->setChecked(true);
  const QString path = dir.filePath("discharge.txt");
  OpenLog(path);
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  const int perPass = rows.size();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return rig->Adapter().TransactionsStarted() > 2 * perPass; }, 20000));
  form().AutoRepeat->setChecked(false);  // the third pass is the last
  ASSERT_TRUE(WaitForIdle());
  ASSERT_EQ(rig->Adapter().TransactionsStarted(), 3 * perPass);
  form().MenuFileCloseLogFile->trigger();

  const QList<QByteArray> lines = FileContent(path).split('\n');
  ASSERT_EQ(lines.size(), 5) << "header, three records, and nothing after the last line end";
  EXPECT_EQ(lines.last(), "");
  QList<QStringList> fields;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(lines[i].endsWith('\r'));
    fields << QString::fromLatin1(lines[i].chopped(1)).split(',');
  }
  QStringList header = {"Date/Time"};
  for (int row : rows) {
    header << QString::fromLatin1(RegisterTable()[row].registerName) + "(" +
                  RegisterTable()[row].unitClass + ")";
  }
  EXPECT_EQ(fields[0], header);

  const QMap<QString, QString> forms = {
      {"#H", "[0-9A-F]{4}"}, {"0.1 degK", "\\d+"},  {"mv", "\\d+"},
      {"+/-ma", "-?\\d+"},   {"%", "\\d+"},         {"#D", "\\d+"},
      {"min", "\\d+"},       {"maH 10mwH", "\\d+"}, {"string", "\"[^\"]*\""}};
  QDateTime previous;
  for (int record = 1; record <= 3; ++record) {
    const QStringList& values = fields[record];
    const QDateTime stamp = QDateTime::fromString(values[0], "MM/dd/yyyy HH:mm:ss");
    ASSERT_TRUE(stamp.isValid()) << values[0].toStdString();
    if (previous.isValid()) {
      EXPECT_GE(previous.secsTo(stamp), 1) << "a pass of twelve rows takes over a second";
      EXPECT_LE(previous.secsTo(stamp), 2);
    }
    previous = stamp;
    int field = 1;
    for (int row : rows) {
      const QString unit = QString::fromLatin1(RegisterTable()[row].unitClass);
      if (unit == "block") {
        const int bytes = form().Row(row).Data->text().count(',') + 1;
        EXPECT_EQ(values.size(), field + bytes) << "the block row counts its bytes";
        for (; field < values.size(); ++field) {
          EXPECT_TRUE(QRegularExpression("^[0-9A-F]{2}$").match(values[field]).hasMatch());
        }
        continue;
      }
      ASSERT_LT(field, values.size());
      const QRegularExpression pattern("^" + forms.value(unit) + "$");
      EXPECT_TRUE(pattern.match(values[field]).hasMatch())
          << RegisterTable()[row].registerName << " " << values[field].toStdString();
      ++field;
    }
  }
}

}  // namespace
