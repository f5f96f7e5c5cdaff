#include "cli/ProbeCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstring>
#include <memory>

#include "cli/BusTargetOptionSet.h"
#include "cli/ProbeJudgement.h"
#include "cli/ProbeReport.h"
#include "cli/ProbeRun.h"
#include "link/AddressList.h"
#include "platform/PlatformOptionSet.h"
#include "platform/ProgramLogging.h"
#include "platform/ProgramOutput.h"

namespace {

struct ProbeRequest {
  std::optional<int> port;
  std::uint8_t address = address_list::kSmartBatteryEntry;  // 7-bit
  bool json = false;
  PlatformOptions platform;
};

struct ProbeParser {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  PlatformOptionSet platform;
  BusTargetOptionSet target;
  QCommandLineOption format{QStringLiteral("format"),
                            QStringLiteral("text (default) or json (one object)."),
                            QStringLiteral("FORMAT"), QStringLiteral("text")};

  ProbeParser() {
    parser.setApplicationDescription(QStringLiteral(
        "Looks at the adapter and the bus and says why a Smart Battery does or does not "
        "answer. It never writes to a device: it lists the adapter (or why none is listed) and "
        "what its driver offers, names a kernel driver that holds the battery's address, touches "
        "every address from 0x08 to 0x77 with a read that names no register, reads the "
        "battery's SpecificationInfo, ManufacturerName, DeviceName and Voltage twice, and "
        "concludes in words."));
    parser.addPositionalArgument(QStringLiteral("probe"), QStringLiteral("The command."));
    platform.AddTo(parser);
    target.AddTo(parser);
    parser.addOption(format);
  }
};

std::optional<QString> ReadRequest(const ProbeParser& p, ProbeRequest& request) {
  const QCommandLineParser& parser = p.parser;
  if (parser.positionalArguments().size() > 1) {
    return QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().value(1));
  }
  if (const std::optional<QString> invalid = p.platform.Invalid(parser)) return invalid;
  request.platform = p.platform.Read(parser);
  const BusTargetOptionSet::Reading target = p.target.Read(parser);
  if (!target.error.isEmpty()) return target.error;
  if (target.port) request.port = *target.port;
  request.address = static_cast<std::uint8_t>(target.addressEntry);
  const QString format = parser.value(p.format);
  if (format != QLatin1String("text") && format != QLatin1String("json")) {
    return QStringLiteral("--format takes text or json, not: %1").arg(format);
  }
  request.json = format == QLatin1String("json");
  return std::nullopt;
}

int RunProbe(int& argc, char** argv, const PlatformMaker& makePlatform) {
  SendMessagesToStandardError();
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pelmor"));

  ProbeParser p;
  if (!p.parser.parse(PlatformOptionSet::Unfold(QCoreApplication::arguments()))) {
    Diagnostic() << "pelmor: " << p.parser.errorText() << '\n' << p.parser.helpText();
    return probe_exit::kUsageError;
  }
  if (p.parser.isSet(p.help)) {
    StandardOut().Write(p.parser.helpText() + QLatin1Char('\n') +
                        ExitStatusHelp(kProbeExitStatuses));
    return probe_exit::kBatteryAnswered;
  }
  ProbeRequest request;
  if (const std::optional<QString> error = ReadRequest(p, request)) {
    Diagnostic() << "pelmor: " << *error << '\n' << p.parser.helpText();
    return probe_exit::kUsageError;
  }
  SetUpProgramLogging(request.platform.verbose);

  const std::unique_ptr<Platform> platform = makePlatform(request.platform);
  const PlatformBundle bundle = platform->Bundle();
  const ProbeFacts facts =
      GatherProbeFacts(bundle.probe, bundle.adapter, request.port, request.address);
  const std::vector<ProbeStep> steps = JudgeSteps(facts);
  const ProbeConclusion conclusion = Conclude(facts);
  QString report;
  QTextStream out(&report);
  if (request.json) {
    PrintProbeJson(out, facts, steps, conclusion);
  } else {
    PrintProbeText(out, steps, conclusion);
  }
  out.flush();
  StandardOut().Write(report);
  return conclusion.exitStatus;
}

}  // namespace

bool IsProbeCommand(int argc, char** argv) {
  return argc > 1 && std::strcmp(argv[1], "probe") == 0;
}

int RunProbeCommand(int& argc, char** argv, const PlatformMaker& makePlatform) {
  return StatusAfterOutput(RunProbe(argc, argv, makePlatform));
}
