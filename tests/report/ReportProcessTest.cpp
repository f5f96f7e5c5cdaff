// `pelmor report` through the real executable on the emulated rig, one run a
// format, each on a pack with its own trouble.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "tests/support/QtPrinters.h"
#include "tests/support/TestProcessEnvironment.h"

namespace {

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ReportProcess, TextReportOfAWornPackIsCheck) {
  const PelmorRun run = RunPelmorToEnd({"report", "--emulated=worn", "--rated-cycles", "1000"});
  const QString out = QString::fromUtf8(run.out);
  EXPECT_EQ(run.status, 5) << run.err.toStdString();
  for (const char* expected :
       {"Identity\n", "  Serial number       20812\n", "  Health              70.0 %\n",
        "  CycleCount          812 cycles of 1000 rated\n", "  StateOfHealth       70 %\n",
        "INITIALIZED", "  Error code          OK: No error.\n", "Verdict: CHECK\n",
        "  CHECK  health 70.0 % (FullChargeCapacity against DesignCapacity) is below 80 %\n"}) {
    EXPECT_TRUE(out.contains(QString::fromUtf8(expected))) << expected << "\n" << out.toStdString();
  }
  qsizetype previous = -1;
  for (const char* title :
       {"\nIdentity\n", "\nHealth\n", "\nCells\n", "\nNow\n", "\nStatus\n", "\nVerdict: "}) {
    EXPECT_GT(out.indexOf(title), previous) << title << " in the technician's order";
    previous = out.indexOf(title);
  }
}

TEST(ReportProcess, JsonReportOfAnUnbalancedPackTypesEachFigureWithItsUnit) {
  const PelmorRun run = RunPelmorToEnd({"report", "--emulated=unbalanced", "--format", "json"});
  EXPECT_EQ(run.status, 6) << run.err.toStdString();
  QJsonParseError error{};
  const QJsonObject json = QJsonDocument::fromJson(run.out, &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
  const QJsonObject spread = json["cells"]["spread"].toObject();
  EXPECT_NEAR(spread["value"].toDouble(), 120, 1);
  EXPECT_EQ(spread["unit"].toString(), "mV");
  EXPECT_EQ(json["health"]["designCapacity"].toObject(),
            (QJsonObject{{"value", 4400}, {"unit", "mAh"}}));
  EXPECT_EQ(json["now"]["temperature"]["unit"].toString(), "°C");
  EXPECT_EQ(json["identity"]["serialNumber"].toInt(), 30157);
  EXPECT_EQ(json["verdict"]["grade"].toString(), "FAIL");
  EXPECT_TRUE(json["verdict"]["reasons"][0]["text"].toString().startsWith("cell spread 12"));
}

TEST(ReportProcess, PageOfAnAlarmedPackIsOnePdfPageAndHtmlSaysTheSame) {
  QTemporaryDir folder;
  const QString pdf = folder.filePath("alarm.pdf");
  const PelmorRun run = RunPelmorToEnd({"report", "--emulated=alarm", "-o", pdf});
  EXPECT_EQ(run.status, 6) << run.err.toStdString();
  const QByteArray bytes = FileBytes(pdf);
  EXPECT_TRUE(bytes.startsWith("%PDF-"));
  EXPECT_TRUE(bytes.contains("/Count 1")) << "one page";

  const QString html = folder.filePath("conditioning.html");
  const PelmorRun page = RunPelmorToEnd({"report", "--emulated=conditioning", "-o", html});
  EXPECT_EQ(page.status, 5) << page.err.toStdString();
  const QString text = QString::fromUtf8(FileBytes(html));
  EXPECT_TRUE(text.contains(">CHECK</p>")) << text.toStdString();
  EXPECT_TRUE(text.contains("CONDITION_FLAG is set")) << text.toStdString();

  const PelmorRun unwritable =
      RunPelmorToEnd({"report", "--emulated", "-o", "/nonexistent/folder/report.pdf"});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_TRUE(unwritable.err.contains("cannot write /nonexistent/folder/report.pdf"));
}

// Triage on the standard pack: one report, however long the pack stays, and
// the summary at Ctrl+C.
TEST(ReportProcess, EachPackReportsAPackOnceAndSumsUpAtInterrupt) {
  QTemporaryDir folder;
  QProcess process;
  process.setProcessEnvironment(TestProcessEnvironment());
  process.start(PELMOR_EXECUTABLE, {"report", "--emulated", "--each-pack", folder.path()});
  QByteArray out;
  while (!out.contains('\n') && process.waitForReadyRead(20000))
    out += process.readAllStandardOutput();
  EXPECT_TRUE(out.startsWith("12345  PASS ")) << out.toStdString();
  process.waitForReadyRead(3000);  // more looks at the same pack
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  ASSERT_TRUE(process.waitForFinished(10000));
  out += process.readAllStandardOutput();
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  EXPECT_TRUE(out.endsWith("\n1 pack: 1 passed, 0 checked, 0 failed\n")) << out.toStdString();
  const QStringList files = QDir(folder.path()).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 2) << files.join(' ').toStdString();
  EXPECT_TRUE(files[0].startsWith("Norvale_Cells-NV3S4400-12345-"));
  EXPECT_TRUE(files[0].endsWith(".json"));
  EXPECT_TRUE(files[1].endsWith(".pdf"));
}

// A log too short to be a discharge is said to be so, not judged.
TEST(ReportProcess, ALogThatCoversNoDischargeIsSaidToBeNone) {
  QTemporaryDir folder;
  const QString log = folder.filePath("short.csv");
  const PelmorRun read = RunPelmorToEnd(
      {"read", "--emulated", "--format", "csv", "--count", "2", "Voltage", "Current"});
  ASSERT_EQ(read.status, 0);
  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(read.out);
  file.close();
  const PelmorRun run = RunPelmorToEnd({"report", "--emulated", "--log", log});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains("\nDischarge log\n  Log ")) << run.out.toStdString();
  EXPECT_TRUE(run.out.contains("not judged: Current was read over only 0.0 minutes"))
      << run.out.toStdString();

  EXPECT_EQ(RunPelmorToEnd({"report", "--emulated", "--log", folder.filePath("none.csv")}).status,
            2);
}

}  // namespace
