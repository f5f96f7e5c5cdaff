// `pelmor plot` through the real executable, on a log that `pelmor read`
// writes on the emulated rig.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include "tests/support/QtPrinters.h"
#include "tests/support/TestProcessEnvironment.h"

namespace {

struct Finished {
  int status;
  QByteArray out;
  QString err;
};

Finished Pelmor(const QStringList& arguments) {
  const PelmorRun run = RunPelmorToEnd(arguments);
  return {run.status, run.out, QString::fromLocal8Bit(run.err)};
}

void Write(const QString& path, const QByteArray& content) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path;
  file.write(content);
}

}  // namespace

TEST(PlotProcess, AnEditedLogFromTheCommandLineIsDrawnIntoAPngOfTheAskedSize) {
  QTemporaryDir dir;
  const QString log = dir.filePath("discharge.csv");
  const QString png = dir.filePath("discharge.png");
  const Finished read =
      Pelmor({"read", "--emulated", "--format", "csv", "--count", "3", "Voltage", "Current"});
  ASSERT_EQ(read.status, 0) << read.err;
  Write(log, read.out + "a note typed into the log\r\n");

  const Finished plot = Pelmor({"plot", log, "Voltage", "-o", png, "--size", "800x500"});
  EXPECT_EQ(plot.status, 1) << "a line was skipped";
  EXPECT_TRUE(plot.err.contains(log + ":5: not a record")) << plot.err;

  for (const char* other : {"discharge.svg", "discharge.pdf"}) {
    const QString path = dir.filePath(other);
    EXPECT_EQ(Pelmor({"plot", log, "-o", path}).status, 1) << other;
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << other;
    const QByteArray start = written.read(64);
    EXPECT_TRUE(start.startsWith("%PDF") || start.contains("<?xml")) << start.toStdString();
  }

  QImageReader picture(png);
  EXPECT_EQ(picture.format(), "png");
  const QImage image = picture.read();
  ASSERT_FALSE(image.isNull()) << picture.errorString();
  EXPECT_EQ(image.size(), QSize(800, 500));
}

TEST(PlotProcess, MistakesEndWithAMessageAndTheirStatusAndNoPicture) {
  QTemporaryDir dir;
  const QString png = dir.filePath("out.png");
  const QString notALog = dir.filePath("other.csv");
  Write(notALog, "time,volts\n0,12.3\n");
  const QString voltageLog = dir.filePath("voltage.csv");
  Write(voltageLog, "Date/Time,Voltage(mv)\r\n12/07/2026 09:51:39,12283\r\n");
  const struct {
    QStringList arguments;
    int status;
    QString message;
  } cases[] = {
      {{"plot", notALog, "-o", png},
       3,
       "pelmor: " + notALog + " is not a Pelmor log file: its first line is neither"},
      {{"plot", dir.filePath("none.txt"), "-o", png}, 3, "pelmor: cannot open"},
      {{"plot", notALog, "-o", dir.filePath("out.jpg")},
       2,
       "pelmor: -o takes a file ending in .png, .svg or .pdf"},
      {{"plot", notALog, "ManufacturerName", "-o", png},
       2,
       "pelmor: ManufacturerName (string) is not a number in a unit"},
      {{"plot", notALog, "-o", png, "--size", "20x20"}, 2, "pelmor: --size takes"},
      {{"plot", notALog}, 2, "pelmor: Name the picture to write"},
      {{"plot", notALog, "Voltage", "Volts", "-o", png}, 2, "pelmor: Unknown register: Volts"},
      {{"plot", voltageLog, "CycleCount", "-o", png},
       3,
       "holds no reading of the registers named; no chart is written"},
  };
  for (const auto& c : cases) {
    const Finished run = Pelmor(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments.join(' ');
    EXPECT_TRUE(run.err.contains(c.message)) << run.err;
    EXPECT_FALSE(QFile::exists(png));
  }
}

TEST(PlotProcess, AHundredProblemsAreNamedAndTheRestCountedAndMissingRegistersReported) {
  QTemporaryDir dir;
  const QString log = dir.filePath("edited.txt");
  Write(log, "Date/Time,Voltage(mv),Current(+/-ma)\r\n12/07/2026 09:51:39,12283,-1500\r\n" +
                 QByteArray("12/07/2026 09:51:43,12282\r\n").repeated(150));

  const Finished plot = Pelmor({"plot", log, "Voltage", "CycleCount", "-o", dir.filePath("a.png")});
  EXPECT_EQ(plot.status, 1);
  EXPECT_EQ(plot.err.count(": 1 of its header's 2 registers"), 100) << plot.err;
  EXPECT_TRUE(plot.err.contains(log + ": 50 more problems, not named one by one")) << plot.err;
  EXPECT_TRUE(plot.err.contains(log + " holds no reading of CycleCount")) << plot.err;
}

// The program without its chart module beside it: the command line still
// reads, which shows it never loads the module, and `plot` says which file it
// missed and writes nothing.
TEST(PlotProcess, WithoutTheChartModuleReadStillWorksAndPlotSaysWhatIsMissing) {
  QTemporaryDir dir;
  const QString program = dir.filePath("pelmor");
  ASSERT_TRUE(QFile::copy(QStringLiteral(PELMOR_EXECUTABLE), program));
  const auto run = [&](const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(TestProcessEnvironment());
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return Finished{process.exitCode(), process.readAllStandardOutput(),
                    QString::fromLocal8Bit(process.readAllStandardError())};
  };
  const Finished read = run({"read", "--emulated", "--format", "csv", "--count", "2", "Voltage"});
  ASSERT_EQ(read.status, 0) << read.err;
  const QString log = dir.filePath("log.csv");
  Write(log, read.out);

  const QString png = dir.filePath("log.png");
  const Finished plot = run({"plot", log, "-o", png});
  EXPECT_EQ(plot.status, 3);
  EXPECT_TRUE(plot.err.startsWith("pelmor plot: The chart module cannot be loaded: ")) << plot.err;
  EXPECT_TRUE(plot.err.contains("pelmor-charts.so")) << plot.err;
  EXPECT_FALSE(QFile::exists(png));
}

// Each situation a log can be in, drawn by the real executable: what it says
// and the status it ends with.
TEST(PlotProcess, EachSituationSaysWhatItIsAndEndsWithItsStatus) {
  QTemporaryDir dir;
  const QByteArray header = "Date/Time,Voltage(mv),Current(+/-ma)\r\n";
  QByteArray hour = header;
  for (int minute = 0; minute <= 60; ++minute) {
    hour += QStringLiteral("12/07/2026 %1:%2:00,12000,-1500\r\n")
                .arg(10 + minute / 60)
                .arg(minute % 60, 2, 10, QLatin1Char('0'))
                .toLatin1();
  }
  const struct {
    const char* what;
    QByteArray log;
    QStringList options;
    int status;
    const char* out;  // a part of standard output
    const char* err;  // a part of standard error; "" for none at all
  } cases[] = {
      {"the discharge curve prints what was delivered",
       hour,
       {"--x", "capacity"},
       0,
       "Delivered 1500 mAh and 18000 mWh, integrated over 1.00 h.",
       ""},
      {"a log still open ends with its last whole record",
       hour + "12/07/2026 11:01:00,120",
       {},
       0,
       "Delivered 1500 mAh",
       "is still open: its last record is still being written"},
      {"an empty file", "", {}, 3, "", "is empty: nothing has been logged to it"},
      {"a spreadsheet's time stamps",
       header + "12/7/2026 10:00,12000,-1500\r\n",
       {},
       3,
       "",
       "was saved by a spreadsheet, which rewrote its time stamps"},
      {"the clock set back",
       header + "12/07/2026 02:59:30,12000,-1500\r\n"
                "12/07/2026 02:00:00,12000,-1500\r\n",
       {},
       0,
       "",
       "The lines break: time runs back 59 min 30 s at 12/07/2026 02:00:00"},
      {"a part of the log",
       hour,
       {"--from", "10:30", "--to", "0.75h"},
       0,
       "integrated over 0.25 h",
       ""},
      {"a misspelt register", hour, {"Voltge"}, 2, "", "Did you mean Voltage?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString log = dir.filePath("log.txt");
    Write(log, c.log);
    const Finished plot =
        Pelmor(QStringList{"plot", log, "-o", dir.filePath("out.png")} + c.options);
    EXPECT_EQ(plot.status, c.status) << plot.err;
    EXPECT_TRUE(plot.out.contains(c.out)) << plot.out.toStdString();
    if (*c.err == '\0') {
      EXPECT_TRUE(plot.err.isEmpty()) << plot.err;
    } else {
      EXPECT_TRUE(plot.err.contains(c.err)) << plot.err;
    }
  }
}
