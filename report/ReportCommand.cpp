#include "report/ReportCommand.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QSysInfo>
#include <cstring>

#include "cli/BusTargetOptionSet.h"
#include "cli/CommandEndings.h"
#include "cli/HeadlessScan.h"
#include "link/AddressList.h"
#include "link/ComPortDiscovery.h"
#include "platform/InterruptWatch.h"
#include "platform/PlatformOptionSet.h"
#include "platform/ProgramLogging.h"
#include "report/DischargeCurvePicture.h"
#include "report/DischargeLog.h"
#include "report/EachPack.h"
#include "report/ReportPage.h"

namespace {

struct ReportRequest {
  std::optional<QString> comPortEntry;  // none: the first port listed
  int addressEntry = address_list::kSmartBatteryEntry;
  PlatformOptions platform;
  bool json = false;
  QString outputPath;
  QString eachPackDir;
  QString logPath;
  QString station;
  VerdictLimits limits;
};

struct Parser {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  PlatformOptionSet platform;
  BusTargetOptionSet target;
  QCommandLineOption format{QStringLiteral("format"),
                            QStringLiteral("text (default) or json (every figure with its unit)."),
                            QStringLiteral("FORMAT"), QStringLiteral("text")};
  QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                            QStringLiteral("Also write the report as one page to FILE: PDF, or "
                                           "HTML when its name ends in .html."),
                            QStringLiteral("FILE")};
  QCommandLineOption eachPack{
      QStringLiteral("each-pack"),
      QStringLiteral("Wait on the bus and report each new pack once (by maker, device and serial "
                     "number) into DIR as <maker>-<device>-<serial>-<date>.pdf and .json, with a "
                     "line on standard output; Ctrl+C ends with a summary."),
      QStringLiteral("DIR")};
  QCommandLineOption log{QStringLiteral("log"),
                         QStringLiteral("A discharge log Pelmor wrote (the window's, or pelmor "
                                        "read --format csv's): the charge and energy the pack "
                                        "delivered in it, against its capacities, and its "
                                        "discharge curve on the page."),
                         QStringLiteral("FILE")};
  QCommandLineOption station{QStringLiteral("station"),
                             QStringLiteral("This bench's name on the report (default: the host "
                                            "name)."),
                             QStringLiteral("NAME")};
  QCommandLineOption healthCheck{
      QStringLiteral("health-check"),
      QStringLiteral("CHECK a pack whose FullChargeCapacity is below PERCENT of its "
                     "DesignCapacity (default: 80)."),
      QStringLiteral("PERCENT"), QStringLiteral("80")};
  QCommandLineOption healthFail{QStringLiteral("health-fail"),
                                QStringLiteral("FAIL it below PERCENT (default: 60)."),
                                QStringLiteral("PERCENT"), QStringLiteral("60")};
  QCommandLineOption spreadCheck{
      QStringLiteral("spread-check"),
      QStringLiteral("CHECK a pack whose highest cell voltage is more than MV above its lowest "
                     "(default: 50)."),
      QStringLiteral("MV"), QStringLiteral("50")};
  QCommandLineOption spreadFail{QStringLiteral("spread-fail"),
                                QStringLiteral("FAIL it over MV (default: 100)."),
                                QStringLiteral("MV"), QStringLiteral("100")};
  QCommandLineOption ratedCycles{
      QStringLiteral("rated-cycles"),
      QStringLiteral("The cycles the pack is rated for: CHECK it at this CycleCount or more."),
      QStringLiteral("N")};

  Parser() {
    parser.setApplicationDescription(QStringLiteral(
        "Reads a Smart Battery once and says whether it is good: its identity, health, cells, "
        "present readings and status, and a verdict, PASS, CHECK or FAIL, with its reasons."));
    parser.addPositionalArgument(QStringLiteral("report"), QStringLiteral("The command."));
    platform.AddTo(parser);
    target.AddTo(parser);
    parser.addOptions({format, output, eachPack, log, station, healthCheck, healthFail, spreadCheck,
                       spreadFail, ratedCycles});
  }
};

// A number from an option, within its range, or what is wrong with it.
std::optional<QString> ReadNumber(const QCommandLineParser& parser,
                                  const QCommandLineOption& option, double lowest, double highest,
                                  double& number) {
  bool ok = false;
  const double value = parser.value(option).toDouble(&ok);
  if (!ok || !(value >= lowest) || value > highest) {
    return QStringLiteral("--%1 takes a number from %2 to %3, not: %4")
        .arg(option.names().constLast())
        .arg(lowest)
        .arg(highest)
        .arg(parser.value(option));
  }
  number = value;
  return std::nullopt;
}

std::optional<QString> ReadLimits(const Parser& p, VerdictLimits& limits) {
  const QCommandLineParser& parser = p.parser;
  double spreadCheck = 0;
  double spreadFail = 0;
  for (const auto& [option, lowest, highest, number] :
       {std::tuple{&p.healthCheck, 0.0, 100.0, &limits.healthCheckPercent},
        std::tuple{&p.healthFail, 0.0, 100.0, &limits.healthFailPercent},
        std::tuple{&p.spreadCheck, 0.0, 5000.0, &spreadCheck},
        std::tuple{&p.spreadFail, 0.0, 5000.0, &spreadFail}}) {
    if (auto error = ReadNumber(parser, *option, lowest, highest, *number)) return error;
  }
  limits.spreadCheckMv = static_cast<int>(spreadCheck);
  limits.spreadFailMv = static_cast<int>(spreadFail);
  if (limits.healthFailPercent > limits.healthCheckPercent) {
    return QStringLiteral("--health-fail (%1) must not be above --health-check (%2)")
        .arg(limits.healthFailPercent)
        .arg(limits.healthCheckPercent);
  }
  if (limits.spreadFailMv < limits.spreadCheckMv) {
    return QStringLiteral("--spread-fail (%1) must not be below --spread-check (%2)")
        .arg(limits.spreadFailMv)
        .arg(limits.spreadCheckMv);
  }
  if (parser.isSet(p.ratedCycles)) {
    double cycles = 0;
    if (auto error = ReadNumber(parser, p.ratedCycles, 1, 65535, cycles)) return error;
    limits.ratedCycles = static_cast<int>(cycles);
  }
  return std::nullopt;
}

std::optional<QString> ReadRequest(const Parser& p, ReportRequest& request) {
  const QCommandLineParser& parser = p.parser;
  if (parser.positionalArguments().size() > 1) {
    return QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().value(1));
  }
  if (const std::optional<QString> invalid = p.platform.Invalid(parser)) return invalid;
  request.platform = p.platform.Read(parser);
  const BusTargetOptionSet::Reading target = p.target.Read(parser);
  if (!target.error.isEmpty()) return target.error;
  if (target.port) request.comPortEntry = QString::number(*target.port);
  request.addressEntry = target.addressEntry;
  const QString format = parser.value(p.format);
  if (format != QLatin1String("text") && format != QLatin1String("json")) {
    return QStringLiteral("--format takes text or json, not: %1").arg(format);
  }
  request.json = format == QLatin1String("json");
  request.outputPath = parser.value(p.output);
  if (!request.outputPath.isEmpty() && !IsReportPageName(request.outputPath)) {
    return QStringLiteral("-o takes a file name ending in .pdf or .html, not: %1")
        .arg(request.outputPath);
  }
  request.eachPackDir = parser.value(p.eachPack);
  if (!request.eachPackDir.isEmpty()) {
    if (!request.outputPath.isEmpty())
      return QStringLiteral("--each-pack names its own files; -o cannot go with it.");
    if (!QDir(request.eachPackDir).exists()) {
      return QStringLiteral("--each-pack takes a folder that exists, not: %1")
          .arg(request.eachPackDir);
    }
  }
  request.logPath = parser.value(p.log);
  if (!request.logPath.isEmpty() && !request.eachPackDir.isEmpty()) {
    return QStringLiteral("--log is one pack's; it cannot go with --each-pack.");
  }
  request.station = parser.isSet(p.station) ? parser.value(p.station) : QSysInfo::machineHostName();
  return ReadLimits(p, request.limits);
}

int StatusOf(Grade grade) {
  switch (grade) {
    case Grade::Pass:
      return report_exit::kPass;
    case Grade::Check:
      return report_exit::kCheck;
    case Grade::Fail:
      return report_exit::kFail;
  }
  return report_exit::kNoReport;
}

int ReportOnce(const ReportRequest& request, const ReportContext& context,
               const std::optional<DischargeLog>& log) {
  const HeadlessScan::Pass pass = context.scan.Read(ReportRows());
  if (const std::optional<int> ending = ReadEnding(pass, context)) return *ending;
  const PackFigures figures = FiguresOf(pass.rows, context.scan.Catalogue());
  if (figures.numbers.empty() && figures.texts.empty()) {
    Err() << "pelmor: no battery answered at address " << context.origin.address << Qt::endl;
    return report_exit::kNoReport;
  }
  ReportOrigin origin = context.origin;
  origin.time = pass.startTime;
  PackReport report = ReportOf(figures, request.limits, origin);
  QImage curve;
  if (log) {
    AddSection(report, DischargeSection(*log, figures));
    if (!WhyNoDischarge(log->totals)) curve = DischargeCurvePicture(log->curve);
  }
  const QByteArray bytes = request.json
                               ? QJsonDocument(ReportJson(report)).toJson(QJsonDocument::Indented)
                               : ReportText(report).toUtf8();
  if (!context.out.Write(bytes)) return OutputLost();
  if (!request.outputPath.isEmpty()) {
    if (const std::optional<QString> error = WriteReportPage(report, request.outputPath, curve)) {
      Err() << "pelmor: " << *error << Qt::endl;
      return report_exit::kNoReport;
    }
  }
  return StatusOf(report.verdict.grade);
}

}  // namespace

std::optional<int> ReadEnding(const HeadlessScan::Pass& pass, const ReportContext& context) {
  if (!pass.linkFailure.isEmpty()) {
    return pass.linkLost ? LinkLost(pass.linkFailure) : LinkFailed(pass.linkFailure);
  }
  if (pass.addressBusy) return AddressBusy(context.addressEntry);
  if (pass.interrupted) return Interrupted(context.interruptSignal);
  if (pass.halted) return report_exit::kNoReport;
  return std::nullopt;
}

bool IsReportCommand(int argc, char** argv) {
  return argc > 1 && std::strcmp(argv[1], "report") == 0;
}

namespace {

int RunReport(int& argc, char** argv, const PlatformMaker& makePlatform) {
  // The page is laid out with fonts, which need an application with a
  // platform; the offscreen one needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  QGuiApplication::setApplicationName(QStringLiteral("pelmor"));
  SendMessagesToStandardError();

  OutputStream& out = StandardOut();
  Parser p;
  if (!p.parser.parse(PlatformOptionSet::Unfold(QCoreApplication::arguments()))) {
    Err() << "pelmor: " << p.parser.errorText() << '\n' << p.parser.helpText() << Qt::flush;
    return report_exit::kUsageError;
  }
  if (p.parser.isSet(p.help)) {
    const QString text =
        p.parser.helpText() + QLatin1Char('\n') + ExitStatusHelp(kReportExitStatuses);
    return out.Write(text.toUtf8()) ? report_exit::kPass : OutputLost();
  }
  ReportRequest request;
  if (const std::optional<QString> error = ReadRequest(p, request)) {
    Err() << "pelmor: " << *error << '\n' << p.parser.helpText() << Qt::flush;
    return report_exit::kUsageError;
  }
  std::optional<DischargeLog> log;
  if (!request.logPath.isEmpty()) {
    DischargeLogReading reading = ReadDischargeLog(request.logPath);
    if (!reading.log) {
      Err() << "pelmor: " << reading.error << Qt::endl;
      return report_exit::kUsageError;
    }
    log = std::move(reading.log);
  }
  SetUpProgramLogging(request.platform.verbose);

  const std::unique_ptr<Platform> platform = makePlatform(request.platform);
  const PlatformBundle bundle = platform->Bundle();
  const ComPortChoice port = ChooseComPort(request.comPortEntry, bundle.prober);
  if (!port.entry) return LinkFailed(port.hint);
  const QString comPortEntry = *port.entry;
  HeadlessScan scan(bundle.adapter, {comPortEntry, request.addressEntry, ReportExtraRows()});
  QEventLoop wait;
  int interruptSignal = 0;
  const InterruptWatch interrupts([&](int signal) {
    if (interruptSignal == 0) interruptSignal = signal;
    scan.Interrupt();
    wait.quit();
  });
  const ReportContext context{
      scan,
      out,
      wait,
      interruptSignal,
      request.addressEntry,
      {QDateTime(), request.station, QStringLiteral("pelmor " PELMOR_VERSION), comPortEntry,
       address_list::EntryText(request.addressEntry)}};
  if (!request.eachPackDir.isEmpty()) {
    return RunEachPack(context, {request.eachPackDir, request.limits});
  }
  return ReportOnce(request, context, log);
}

}  // namespace

int RunReportCommand(int& argc, char** argv, const PlatformMaker& makePlatform) {
  return StatusAfterOutput(RunReport(argc, argv, makePlatform));
}
