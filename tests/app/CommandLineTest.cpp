#include <gtest/gtest.h>

#include <QProcess>

#include "PelmorVersion.h"
#include "QtPrinters.h"

namespace {

struct ProcessResult {
  int exitStatus;
  QString out;
  QString err;
};

// Runs the real executable with no display at all, as on a terminal.
ProcessResult RunPelmor(const QStringList& arguments) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(PELMOR_EXECUTABLE), arguments);
  EXPECT_TRUE(process.waitForFinished(30000));
  return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
          QString::fromLocal8Bit(process.readAllStandardError())};
}

}  // namespace

TEST(CommandLine, VersionAndHelpAnswerWithoutADisplay) {
  const ProcessResult version = RunPelmor({QStringLiteral("--version")});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, QStringLiteral("pelmor %1\n").arg(QString::fromLatin1(kPelmorVersion)));

  const ProcessResult help = RunPelmor({QStringLiteral("--help")});
  EXPECT_EQ(help.exitStatus, 0);
  for (const char* option : {"--emulated", "--all-buses", "--pec", "--version", "--help"}) {
    EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;
  }
}

TEST(CommandLine, UnknownOptionOrArgumentIsAUsageError) {
  for (const QStringList& arguments :
       {QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("stray")},
        QStringList{QStringLiteral("--emulated=unplugged")}}) {
    const ProcessResult run = RunPelmor(arguments);
    EXPECT_EQ(run.exitStatus, 2) << arguments.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("Usage:"))) << run.err.toStdString();
  }
}
