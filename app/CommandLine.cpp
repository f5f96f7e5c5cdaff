#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "PelmorVersion.h"
#include "PlatformOptionSet.h"

namespace {

constexpr int kUsageErrorStatus = 2;

struct Parser {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  QCommandLineOption version = parser.addVersionOption();
  PlatformOptionSet platform;

  Parser() {
    parser.setApplicationDescription(QStringLiteral(
        "Reads and writes the registers of a Smart Battery on SMBus.\n"
        "Without a window: pelmor read --help, pelmor write --help, pelmor probe --help."));
    platform.AddTo(parser);
  }
};

void Print(FILE* stream, const QString& text) {
  QTextStream(stream) << text << (text.endsWith(QLatin1Char('\n')) ? "" : "\n");
}

}  // namespace

CommandLine ReadCommandLine(int& argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  Parser p;
  const bool parsed = p.parser.parse(PlatformOptionSet::Unfold(arguments));
  const std::optional<QString> invalid = parsed ? p.platform.Invalid(p.parser) : std::nullopt;
  const bool usageError = !parsed || !p.parser.positionalArguments().isEmpty() || invalid;
  const bool help = p.parser.isSet(p.help) || p.parser.isSet(QStringLiteral("help-all"));
  if (!usageError && !help && !p.parser.isSet(p.version)) {
    return {p.platform.Read(p.parser), 0};
  }

  // The usage text names the executable through the application object; no
  // window is opened for it.
  QCoreApplication terminal(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pelmor"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(kPelmorVersion));
  if (usageError) {
    const QString error = !parsed ? p.parser.errorText()
                          : invalid
                              ? *invalid
                              : QStringLiteral("Unexpected argument: %1")
                                    .arg(p.parser.positionalArguments().join(QLatin1Char(' ')));
    Print(stderr, QStringLiteral("pelmor: %1\n").arg(error) + p.parser.helpText());
    return {std::nullopt, kUsageErrorStatus};
  }
  if (p.parser.isSet(p.version)) {
    Print(stdout, QStringLiteral("pelmor %1").arg(QString::fromLatin1(kPelmorVersion)));
  } else {
    Print(stdout, p.parser.helpText());
  }
  return {std::nullopt, 0};
}
