#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
#include <cstring>

#include "app/PelmorVersion.h"
#include "platform/PlatformOptionSet.h"
#include "platform/ProgramCommands.h"
#include "platform/ProgramOutput.h"
#include "publish/PublishOptionSet.h"

namespace {

struct Parser {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  QCommandLineOption version = parser.addVersionOption();
  PlatformOptionSet platform;
  PublishOptionSet publish;

  Parser() {
    parser.setApplicationDescription(
        QStringLiteral("Reads and writes the registers of a Smart Battery through a USB I2C\n"
                       "adapter (Linux i2c-dev): in a window, or with a command without one."));
    platform.AddTo(parser);
    publish.AddTo(parser);
    parser.addPositionalArgument(QStringLiteral("COMMAND"),
                                 QStringLiteral("One of the commands below, which need no window; "
                                                "pelmor COMMAND --help lists its options."),
                                 QStringLiteral("[COMMAND ...]"));
  }
};

// The headless commands, one a line with what each does.
QString CommandsHelp() {
  qsizetype nameWidth = 0;
  for (const ProgramCommand& command : kProgramCommands) {
    nameWidth = std::max(nameWidth, qsizetype(std::strlen(command.name)));
  }
  QString help = QStringLiteral("Commands:\n");
  for (const ProgramCommand& command : kProgramCommands) {
    help += QStringLiteral("  %1  %2\n")
                .arg(QString::fromLatin1(command.name).leftJustified(nameWidth),
                     QString::fromLatin1(command.summary));
  }
  return help;
}

void Print(OutputStream& stream, const QString& text) {
  stream.Write(text + (text.endsWith(QLatin1Char('\n')) ? QString() : QStringLiteral("\n")));
}

}  // namespace

CommandLine ReadCommandLine(int& argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  Parser p;
  const bool parsed = p.parser.parse(PlatformOptionSet::Unfold(arguments));
  PublishOptionSet::Reading publish;
  std::optional<QString> invalid = parsed ? p.platform.Invalid(p.parser) : std::nullopt;
  if (parsed && !invalid) {
    publish = p.publish.Read(p.parser);
    if (!publish.error.isEmpty()) invalid = publish.error;
  }
  const bool usageError = !parsed || !p.parser.positionalArguments().isEmpty() || invalid;
  const bool help = p.parser.isSet(p.help) || p.parser.isSet(QStringLiteral("help-all"));
  if (!usageError && !help && !p.parser.isSet(p.version)) {
    return {p.platform.Read(p.parser), window_exit::kClosed, publish.settings};
  }

  // The usage text names the executable through the application object; no
  // window is opened for it.
  QCoreApplication terminal(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pelmor"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(kPelmorVersion));
  if (usageError) {
    const QString error =
        !parsed   ? p.parser.errorText()
        : invalid ? *invalid
                  : QStringLiteral("Unknown command: %1 (the commands: %2)")
                        .arg(p.parser.positionalArguments().constFirst(), ProgramCommandList());
    Print(StandardErr(), QStringLiteral("pelmor: %1\n").arg(error) + p.parser.helpText());
    return {std::nullopt, StatusAfterOutput(window_exit::kUsageError), std::nullopt};
  }
  if (p.parser.isSet(p.version)) {
    Print(StandardOut(), QStringLiteral("pelmor %1").arg(QString::fromLatin1(kPelmorVersion)));
  } else {
    Print(StandardOut(), p.parser.helpText() + QLatin1Char('\n') + CommandsHelp() +
                             QLatin1Char('\n') + ExitStatusHelp(kWindowExitStatuses));
  }
  return {std::nullopt, StatusAfterOutput(window_exit::kClosed), std::nullopt};
}
