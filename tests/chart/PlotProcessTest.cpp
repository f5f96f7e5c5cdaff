// `pelmor plot` through the real executable, on a log that `pelmor read`
// writes on the emulated rig.
#include <gtest/gtest.h>

#include <QDir>
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

// Several logs compared by the real executable: each file's faults named with
// its name, the worst file's status, and the legend named by file.
TEST(PlotProcess, LogsComparedNameEachFileAndEndWithTheWorstFilesStatus) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkpath("r1") && QDir(dir.path()).mkpath("r2"));
  QByteArray hour = "Date/Time,Voltage(mv),Current(+/-ma)\r\n";
  for (int minute = 0; minute <= 60; ++minute) {
    hour += QStringLiteral("12/07/2026 %1:%2:00,12000,-1500\r\n")
                .arg(10 + minute / 60)
                .arg(minute % 60, 2, 10, QLatin1Char('0'))
                .toLatin1();
  }
  const QString first = dir.filePath("r1/run.txt");
  const QString second = dir.filePath("r2/run.txt");
  Write(first, hour);
  const struct {
    const char* what;
    QByteArray second;  // the second log; the first is an hour's whole log
    QStringList options;
    int status;
    QStringList out;  // parts of standard output
    QString err;      // a part of standard error; "" for none at all
  } cases[] = {
      {"two whole logs, each delivered named",
       hour,
       {"Current", "--x", "capacity"},
       0,
       {"r1/run.txt: Delivered 1500 mAh", "r2/run.txt: Delivered 1500 mAh"},
       ""},
      {"a line of the second skipped",
       hour + "a note\r\n",
       {"Voltage"},
       1,
       {},
       second + ":63: not a record"},
      {"the second still open",
       hour + "12/07/2026 11:01:00,120",
       {"Voltage"},
       0,
       {},
       second + " is still open"},
      {"the second empty: no chart",
       "",
       {"Voltage"},
       3,
       {},
       "is empty: nothing has been logged to it; no chart is written\n"
       "pelmor: no chart is written: 1 of the 2 logs cannot be drawn"},
      {"on the logs' own clocks",
       hour,
       {"Voltage", "--x", "clock"},
       2,
       {},
       "--x clock draws one log"},
      {"no register named", hour, {}, 2, {}, "Name the registers to compare"},
      {"six registers",
       hour,
       {"Voltage", "Current", "Temperature", "CycleCount", "RelStateOfCharge", "AtRate"},
       2,
       {},
       "1 to 5 of them"},
      {"a misspelt register", hour, {"Voltge"}, 2, {}, "Did you mean Voltage?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(second, c.second);
    const QString svg = dir.filePath("both.svg");
    QFile::remove(svg);
    const Finished plot = Pelmor(QStringList{"plot", first, second, "-o", svg} + c.options);
    EXPECT_EQ(plot.status, c.status) << plot.err;
    for (const QString& part : c.out)
      EXPECT_TRUE(plot.out.contains(part.toUtf8())) << plot.out.toStdString();
    if (c.err.isEmpty()) {
      EXPECT_TRUE(plot.err.isEmpty()) << plot.err;
    } else {
      EXPECT_TRUE(plot.err.contains(c.err)) << plot.err;
    }
    QFile picture(svg);
    EXPECT_EQ(picture.exists(), c.status < 2);
    if (c.status < 2 && picture.open(QIODevice::ReadOnly)) {
      const QByteArray text = picture.readAll();
      EXPECT_TRUE(text.contains("r1/run.txt: ") && text.contains("r2/run.txt: "))
          << "the legend names each line by its file";
    }
  }
}
