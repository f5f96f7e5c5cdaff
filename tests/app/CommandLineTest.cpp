#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "app/PelmorVersion.h"
#include "platform/ProgramCommands.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestProcessEnvironment.h"

namespace {

struct ProcessResult {
  int exitStatus;
  QString out;
  QString err;
};

// Runs the real executable with no display at all, as on a terminal over SSH;
// `displays` sets what the test gives it instead.
ProcessResult RunPelmor(const QStringList& arguments,
                        const QList<std::pair<QString, QString>>& displays = {}) {
  QProcessEnvironment environment = TestProcessEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"}) {
    environment.remove(QString::fromLatin1(name));
  }
  for (const auto& [name, value] : displays) environment.insert(name, value);
  const PelmorRun run = RunPelmorToEnd(arguments, environment);
  return {run.status, QString::fromLocal8Bit(run.out), QString::fromLocal8Bit(run.err)};
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
  EXPECT_TRUE(help.out.contains(QStringLiteral("Commands:\n  read   ")));
  EXPECT_TRUE(help.out.contains(QStringLiteral("\nExit status:\n  0  ")));
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
  EXPECT_TRUE(RunPelmor({QStringLiteral("stray")})
                  .err.startsWith(QStringLiteral("pelmor: Unknown command: stray (the commands: "
                                                 "%1)\n")
                                      .arg(ProgramCommandList())));
}

// Qt would abort the program; instead it says in one line why there is no
// window and what works without one.
TEST(CommandLine, WithoutAReachableDisplayTheWindowSaysSoAndExitsTwo) {
  const QTemporaryDir runtime;
  const struct {
    QList<std::pair<QString, QString>> displays;
    const char* reason;
  } cases[] = {
      {{}, "DISPLAY and WAYLAND_DISPLAY are not set"},
      {{{"DISPLAY", ":4242"}}, "the X display :4242 does not answer"},
      {{{"WAYLAND_DISPLAY", "wayland-4242"}, {"XDG_RUNTIME_DIR", runtime.path()}},
       "the Wayland display wayland-4242 does not answer; DISPLAY is not set"},
      {{{"QT_QPA_PLATFORM", "xcb"}}, "DISPLAY is not set"},
  };
  for (const auto& [displays, reason] : cases) {
    const ProcessResult run = RunPelmor({QStringLiteral("--emulated")}, displays);
    EXPECT_EQ(run.exitStatus, 2) << reason;
    EXPECT_EQ(run.err, QStringLiteral("pelmor: no display for the window: %1. Without a window: "
                                      "%2 (each with --help).\n")
                           .arg(QLatin1String(reason), ProgramCommandList()));
    EXPECT_TRUE(run.out.isEmpty());
  }
}
