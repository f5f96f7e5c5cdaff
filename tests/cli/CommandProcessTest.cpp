// The headless commands through the real executable on the emulated rig: each
// run is a new process with a new emulated battery.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <csignal>
#include <cstring>

#include "battery/RegisterTable.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestProcessEnvironment.h"

namespace {

struct Finished {
  int status;
  QString out;
  QString err;
};

Finished Pelmor(const QStringList& arguments) {
  const PelmorRun run = RunPelmorToEnd(arguments);
  return {run.status, QString::fromLatin1(run.out), QString::fromLatin1(run.err)};
}

// The form a data field's text takes for each unit class.
QRegularExpression FormOf(const QString& unitClass) {
  static const std::map<QString, QString> forms{
      {"#H", "[0-9A-F]{4}"},
      {"#D", "\\d+"},
      {"mv", "\\d+"},
      {"+/-ma", "-?\\d+"},
      {"ma", "\\d+"},
      {"%", "\\d+"},
      {"min", "\\d+"},
      {"maH 10mwH", "\\d+"},
      {"+/-ma 10mw", "-?\\d+"},
      {"0.1 degK", "\\d+"},
      {"T/F", "[01]"},
      {"string", "\"[^\"]*\""},
      {"block", "([0-9A-F]{2}(,[0-9A-F]{2})*)?"},
  };
  return QRegularExpression(QStringLiteral("^(?:%1)$").arg(forms.at(unitClass)));
}

// Splits a CSV line the way the log's readers do: at every comma.
QStringList Fields(const QString& line) {
  return line.split(QLatin1Char(','));
}

}  // namespace

TEST(CommandProcess, ReadOfAllRowsPrintsEachValueInItsUnitsForm) {
  const Finished run = Pelmor({"read", "--emulated"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), kRegisterRowCount);
  for (int row = 0; row < kRegisterRowCount; ++row) {
    const RegisterDefinition& def = RegisterTable()[row];
    const QString unit = QString::fromLatin1(def.unitClass);
    const QString line = lines[row];
    ASSERT_TRUE(line.startsWith(QString::fromLatin1(def.registerName) + ' ')) << line;
    ASSERT_TRUE(line.endsWith("  " + unit)) << line;
    const QString value =
        line.mid(qsizetype(strlen(def.registerName))).chopped(unit.size() + 2).trimmed();
    EXPECT_TRUE(FormOf(unit).match(value).hasMatch()) << def.registerName << ": " << value;
  }
}

TEST(CommandProcess, CsvIsTheLogFilesFormatAndJsonIsOneObjectAPass) {
  const Finished csv = Pelmor({"read", "--emulated", "--format", "csv", "--count", "2", "Voltage",
                               "Current", "ManufacturerName", "ManufacturerData"});
  ASSERT_EQ(csv.status, 0) << csv.err.toStdString();
  ASSERT_TRUE(csv.out.endsWith("\r\n"));
  const QStringList lines = csv.out.chopped(2).split("\r\n");
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(
      lines[0],
      "Date/Time,Voltage(mv),Current(+/-ma),ManufacturerName(string),ManufacturerData(block)");
  for (const QString& record : lines.mid(1)) {
    const QStringList fields = Fields(record);
    EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$")
                    .match(fields[0])
                    .hasMatch())
        << fields[0];
    EXPECT_TRUE(FormOf("mv").match(fields[1]).hasMatch());
    EXPECT_TRUE(FormOf("+/-ma").match(fields[2]).hasMatch());
    EXPECT_TRUE(FormOf("string").match(fields[3]).hasMatch());
    EXPECT_GE(fields.size(), 5) << "the block adds one field a byte";
  }

  const Finished json = Pelmor({"read", "--emulated", "--format", "json", "Voltage", "DeviceName"});
  ASSERT_EQ(json.status, 0);
  const QStringList objects = json.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(objects.size(), 1);
  QJsonParseError error;
  const QJsonObject pass = QJsonDocument::fromJson(objects[0].toUtf8(), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << objects[0].toStdString();
  const QJsonArray registers = pass["registers"].toArray();
  ASSERT_EQ(registers.size(), 2);
  EXPECT_EQ(registers[1]["name"].toString(), "DeviceName");
  EXPECT_EQ(registers[1]["unit"].toString(), "string");
  EXPECT_TRUE(registers[0]["ok"].toBool());
  EXPECT_TRUE(QDateTime::fromString(pass["start"].toString(), Qt::ISODateWithMs).isValid());
}

// JSON gives each value in its own type, read from the reply itself: numbers
// (signed where the unit is), a hexadecimal word also as its digits, a
// string's characters without the display quotes, a block as its bytes.
TEST(CommandProcess, JsonValuesAreTyped) {
  const Finished json = Pelmor({"read", "--emulated", "--format", "json"});
  ASSERT_EQ(json.status, 0) << json.err.toStdString();
  const QJsonArray registers = QJsonDocument::fromJson(json.out.toUtf8())["registers"].toArray();
  ASSERT_EQ(registers.size(), kRegisterRowCount);
  for (const QJsonValue entry : registers) {
    const QString unit = entry["unit"].toString();
    const QJsonValue value = entry["value"];
    const bool isSigned = unit == "+/-ma" || unit == "+/-ma 10mw" || unit == "0.1 degK";
    if (unit == "string" || unit == "block") {
      EXPECT_TRUE(unit == "string" ? value.isString() : value.isArray()) << unit.toStdString();
    } else {
      EXPECT_TRUE(value.isDouble() && value.toDouble() == value.toInt() &&
                  value.toInt() >= (isSigned ? -32768 : 0) &&
                  value.toInt() <= (isSigned ? 32767 : 65535))
          << entry["name"].toString().toStdString();
    }
    if (unit == "#H") {
      EXPECT_EQ(entry["hex"].toString().toInt(nullptr, 16), value.toInt());
    }
  }
  EXPECT_EQ(registers[10]["value"].toInt(), -1500) << "Current, signed";
  EXPECT_EQ(registers[30]["value"].toString(), "NV3S4400");
  EXPECT_EQ(registers[32]["value"].toArray().first().toInt(), 0x4E);
}

TEST(CommandProcess, WriteReadsTheValueBack) {
  const Finished run = Pelmor({"write", "--emulated", "RemainCapacityAlarm=1234", "AtRate=-250"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(run.out,
            "RemainCapacityAlarm  1234  maH 10mwH\nAtRate               -250  +/-ma 10mw\n");
}

TEST(CommandProcess, UsageErrorsExitTwoAndAnAdapterThatCannotBeOpenedThree) {
  for (const QStringList& arguments :
       {QStringList{"read", "--emulated", "Volts"}, QStringList{"write", "--emulated", "Voltage=1"},
        QStringList{"read", "--emulated", "--bogus"}}) {
    const Finished run = Pelmor(arguments);
    EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("Usage:"));
  }
  const Finished noAdapter = Pelmor({"read", "--emulated", "--port", "2"});
  EXPECT_EQ(noAdapter.status, 3);
  EXPECT_TRUE(noAdapter.err.contains("<<Invalid Communication Port Number>>"))
      << noAdapter.err.toStdString();
}

// Ctrl+C is the normal end of repeated reads with no count; it cuts short any
// other job, which then ends with the shell's status for the signal. Either
// way the output holds only whole passes.
TEST(CommandProcess, AnInterruptEndsRepeatedReadsWithZeroAndCutsOtherJobsShort) {
  const struct {
    QStringList arguments;
    int signal;
    int status;
  } cases[] = {
      {{"--every", "0.2"}, SIGINT, 0},
      {{"--every", "0.2"}, SIGTERM, 0},
      {{"--every", "0.2", "--count", "50"}, SIGINT, 130},
      {{"--every", "0.2", "--count", "50"}, SIGTERM, 143},
  };
  for (const auto& c : cases) {
    QProcess process;
    process.setProcessEnvironment(TestProcessEnvironment());
    process.start(QStringLiteral(PELMOR_EXECUTABLE),
                  QStringList{"read", "--emulated", "--format", "csv"} + c.arguments);
    ASSERT_TRUE(process.waitForStarted());
    QByteArray out;
    while (out.count("\r\n") < 3 && process.waitForReadyRead(10000))
      out += process.readAllStandardOutput();
    ::kill(static_cast<pid_t>(process.processId()), c.signal);
    ASSERT_TRUE(process.waitForFinished(10000));
    out += process.readAllStandardOutput();
    const std::string which = c.arguments.join(' ').toStdString() + " " + strsignal(c.signal);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << which;
    EXPECT_EQ(process.exitCode(), c.status) << which;
    ASSERT_TRUE(out.endsWith("\r\n")) << "no half-printed pass";
    const QStringList lines = QString::fromLatin1(out).chopped(2).split("\r\n");
    const qsizetype columns = Fields(lines[0]).size();
    for (const QString& record : lines.mid(1)) {
      EXPECT_EQ(Fields(record).size(), columns - 1 + 14) << "the block row holds 14 bytes";
    }
  }
}

// Output that cannot be written is a failure in every command, its help
// included: status 1, said on standard error where that can be written.
TEST(CommandProcess, OutputThatCannotBeWrittenIsAFailure) {
  const struct {
    QStringList arguments;
    bool errorToo;  // standard error goes to /dev/full as well
  } cases[] = {
      {{"read", "--emulated", "Voltage"}, false},
      {{"read", "--emulated", "--format", "json", "Voltage"}, false},
      {{"read", "--help"}, false},
      {{"write", "--help"}, false},
      {{"probe", "--emulated"}, false},
      {{"probe", "--emulated", "--format", "json"}, false},
      {{"probe", "--help"}, false},
      {{"plot", "--help"}, false},
      {{"--help"}, false},
      {{"--version"}, false},
      {{"read", "--emulated", "NoSuchRegister"}, true},
      {{"plot", "--no-such-option"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    QProcess process;
    process.setProcessEnvironment(TestProcessEnvironment());
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    if (c.errorToo) process.setStandardErrorFile(QStringLiteral("/dev/full"));
    process.start(QStringLiteral(PELMOR_EXECUTABLE), c.arguments);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    if (!c.errorToo) {
      const QByteArray err = process.readAllStandardError();
      EXPECT_TRUE(err.endsWith("pelmor: cannot write the output: No space left on device\n"))
          << err.toStdString();
    }
  }
}

// With SIGPIPE ignored, as some shells and supervisors leave it, a reader that
// went away ends the command quietly with the status of a process ended by
// SIGPIPE, instead of reading on for nobody.
TEST(CommandProcess, AClosedPipeEndsRepeatedReadsQuietly) {
  QProcess shell;
  shell.start("sh", {"-c",
                     "trap '' PIPE; exec 3>&1; { \"$0\" read --emulated --every 0.2 Voltage; "
                     "echo $? >&3; } | head -n 1 >/dev/null",
                     PELMOR_EXECUTABLE});
  ASSERT_TRUE(shell.waitForFinished(60000)) << "still reading for nobody";
  EXPECT_EQ(shell.readAllStandardOutput().trimmed().toInt(), 128 + SIGPIPE);
  EXPECT_EQ(shell.readAllStandardError(), "");
}

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
