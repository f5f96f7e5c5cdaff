#include "chart/PlotCommand.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>
#include <memory>

#include "battery/RegisterNames.h"
#include "chart/ChartPicture.h"
#include "chart/ChartRegisters.h"
#include "chart/LogNames.h"
#include "chart/LogReader.h"
#include "chart/PassSeries.h"
#include "chart/ReadingsChart.h"
#include "log/LogFormatter.h"
#include "platform/ProgramOutput.h"

namespace {

const QSize kDefaultSize(1600, 900);
constexpr int kSmallestSide = 200;
constexpr int kLargestSide = 8000;
// The problems named one by one; a file with more is counted past these.
constexpr qint64 kProblemsNamed = 100;

Diagnostic Err() {
  return {};
}

struct Parser {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                            QStringLiteral("The picture to write: FILE.png, FILE.svg or FILE.pdf."),
                            QStringLiteral("FILE")};
  QCommandLineOption size{QStringLiteral("size"),
                          QStringLiteral("The picture's width and height in pixels (default: "
                                         "%1x%2).")
                              .arg(kDefaultSize.width())
                              .arg(kDefaultSize.height()),
                          QStringLiteral("WxH")};
  QCommandLineOption from{QStringLiteral("from"),
                          QStringLiteral("Draw from this time on: a clock time (14:30), a date and "
                                         "time (12/07/2026 14:30) or hours since the first "
                                         "record (2.5h)."),
                          QStringLiteral("TIME")};
  QCommandLineOption to{QStringLiteral("to"),
                        QStringLiteral("Draw up to this time, given as for --from."),
                        QStringLiteral("TIME")};
  QCommandLineOption events{
      QStringLiteral("events"),
      QStringLiteral("Mark events with dotted lines and name them on standard output: a "
                     "BatteryStatus alarm set or cleared, a pass that gave up registers, "
                     "BatteryMode switched.")};
  QCommandLineOption along{QStringLiteral("x"),
                           QStringLiteral("Along the bottom: clock (the log's own clock), "
                                          "elapsed (time since the first record), or capacity "
                                          "(the charge delivered, integrated from Current: the "
                                          "discharge curve). Default: clock for a log shorter "
                                          "than two hours, else elapsed; elapsed when several "
                                          "logs are compared, which clock cannot draw."),
                           QStringLiteral("AXIS")};

  Parser() {
    parser.setApplicationDescription(QStringLiteral(
        "Draws a log file (the window's, or pelmor read --format csv's) as a chart of the "
        "named registers, of every register that is a number when none is named.\n"
        "Several log files are compared: each is drawn from its first record, in a "
        "colour of its own and named by its file, each register named (1 to 5) in a line "
        "style of its own, along the time elapsed or, with --x capacity, the charge "
        "delivered. A log file named like a register is given as ./NAME."));
    parser.addPositionalArgument(QStringLiteral("plot"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("LOGFILE"),
                                 QStringLiteral("The log file; several to compare them."),
                                 QStringLiteral("LOGFILE..."));
    parser.addPositionalArgument(QStringLiteral("REGISTER"),
                                 QStringLiteral("A register's name as in the window."),
                                 QStringLiteral("[REGISTER...]"));
    parser.addOptions({output, size, from, to, along, events});
  }
};

std::optional<QSize> SizeOf(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
  const QRegularExpressionMatch match = form.match(text);
  if (!match.hasMatch()) return std::nullopt;
  const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
  const auto fits = [](int side) { return side >= kSmallestSide && side <= kLargestSide; };
  if (!fits(size.width()) || !fits(size.height())) return std::nullopt;
  return size;
}

std::optional<QString> ReadRegisters(const QStringList& names, PlotRequest& request) {
  for (const QString& name : names) {
    const std::optional<int> row = ChartRowNamed(name);
    if (!row) {
      const std::optional<QString> closest = ClosestName(name, ChartRegisterNames());
      return QStringLiteral("Unknown register: %1. %2pelmor read --list prints every name.")
          .arg(name, closest ? QStringLiteral("Did you mean %1? ").arg(*closest) : QString());
    }
    const RegisterDefinition& def = ChartRegister(*row);
    if (!AxisOf(QString::fromLatin1(def.unitClass), CapacityMode::Unknown)) {
      return QStringLiteral("%1 (%2) is not a number in a unit; it cannot be charted.")
          .arg(QLatin1String(def.registerName), QLatin1String(def.unitClass));
    }
    request.rows.push_back(*row);
  }
  std::sort(request.rows.begin(), request.rows.end());
  request.rows.erase(std::unique(request.rows.begin(), request.rows.end()), request.rows.end());
  return std::nullopt;
}

// After the first log, an operand is another log when it names no register
// and is a file, or a path by its look; else it is a register, perhaps misspelt.
bool IsLogOperand(const QString& operand) {
  if (ChartRowNamed(operand)) return false;
  return QFileInfo::exists(operand) || operand.contains(QLatin1Char('/')) ||
         operand.contains(QLatin1Char('.'));
}

// Several logs are drawn from their starts, a colour each and a line style
// for each register: that is what limits what they can be compared on.
std::optional<QString> CheckComparison(const PlotRequest& request, const Parser& p) {
  const auto logs = static_cast<std::size_t>(request.logPaths.size());
  if (logs < 2) return std::nullopt;
  if (logs > ReadingsChart::kMostComparedLogs) {
    return QStringLiteral("At most %1 logs can be compared in one chart, not %2.")
        .arg(ReadingsChart::kMostComparedLogs)
        .arg(logs);
  }
  if (request.rows.empty() || request.rows.size() > ReadingsChart::kMostComparedRegisters) {
    return QStringLiteral(
               "Name the registers to compare after the logs, 1 to %1 of them (one line style "
               "each): pelmor plot a.log b.log Voltage -o both.png")
        .arg(ReadingsChart::kMostComparedRegisters);
  }
  if (p.parser.value(p.along) == QLatin1String("clock")) {
    return QStringLiteral(
        "--x clock draws one log on its own clock; logs compared are drawn from their first "
        "records, along the time elapsed (--x elapsed, the default) or the charge delivered "
        "(--x capacity).");
  }
  return std::nullopt;
}

// The rows asked for that have no line in the chart.
QStringList Missing(const PlotRequest& request, const PassSeries& series) {
  QStringList missing;
  for (const int row : request.rows) {
    const bool drawn = std::any_of(series.Lines().begin(), series.Lines().end(),
                                   [row](const auto& line) { return line.first.row == row; });
    if (!drawn) missing << QLatin1String(ChartRegister(row).registerName);
  }
  return missing;
}

// Why a file that is a log gave no record.
QString WhyNoRecord(qint64 size, const LogReader::Result& result) {
  if (size == 0) return QStringLiteral("is empty: nothing has been logged to it");
  if (result.spreadsheetStamps > 0) {
    return QStringLiteral(
        "was saved by a spreadsheet, which rewrote its time stamps; plot the log as Pelmor "
        "wrote it");
  }
  if (result.stillOpen) {
    return QStringLiteral("is still open and its first record is still being written");
  }
  return QStringLiteral("holds no record: no pass was logged to it");
}

// What the reader could not tell for sure, for the chart and standard error.
QStringList NotesOn(const LogReader::Result& result) {
  QStringList notes;
  if (result.zeroPlaceholdersSeen) {
    notes << QStringLiteral(
                 "This log writes 0 where a register was given up, as older logs did: its zeros "
                 "are ambiguous. %1 of its %2 zeros were taken for failures and left as gaps.")
                 .arg(result.zerosTakenForFailures)
                 .arg(result.ambiguousZeros);
  } else if (result.ambiguousZeros > 0) {
    notes << QStringLiteral(
                 "This log leaves no field empty: if an older Pelmor wrote it, a 0 alone "
                 "between readings may stand for a register given up. Its %1 such zeros are "
                 "drawn as readings.")
                 .arg(result.ambiguousZeros);
  }
  return notes;
}

// What the pack delivered, integrated from Current and Voltage; none when
// Current was read fewer than twice.
std::optional<QString> DeliveredText(const DischargeTotals& totals) {
  if (totals.currentReadings < 2) return std::nullopt;
  QString text = QStringLiteral("Delivered %1 mAh and %2 mWh, integrated over %3 h")
                     .arg(totals.chargeMah, 0, 'f', 0)
                     .arg(totals.energyMwh, 0, 'f', 0)
                     .arg(totals.integratedHours, 0, 'f', 2);
  if (totals.skippedHours > 0) {
    text +=
        QStringLiteral(" (%1 h across breaks not integrated)").arg(totals.skippedHours, 0, 'f', 2);
  }
  if (totals.reportedDropMah) {
    text += QStringLiteral("; the pack's RemainingCapacity fell %1 mAh")
                .arg(*totals.reportedDropMah, 0, 'f', 0);
  } else if (totals.reportedDropMwh) {
    text += QStringLiteral("; the pack's RemainingCapacity fell %1 mWh")
                .arg(*totals.reportedDropMwh, 0, 'f', 0);
  }
  return text + QLatin1Char('.');
}

// Each event on a line of its own: its time stamp and what happened.
void PrintEvents(const PassEvents& events, const QString& prefix) {
  QTextStream out(stdout);
  const LogFormatter stamps;
  for (const PassEvent& event : events.Events()) {
    out << prefix << stamps.TimeStamp(QDateTime::fromMSecsSinceEpoch(event.wallMs, Qt::UTC)) << ' '
        << event.text << '\n';
  }
  if (events.Count() > static_cast<qint64>(events.Events().size())) {
    out << prefix << events.Count() - static_cast<qint64>(events.Events().size())
        << " more events\n";
  }
  out.flush();
}

// The breaks in the line's time, the first few each named.
QStringList NotesOn(const std::vector<TimeAxisMap::Break>& breaks) {
  constexpr std::size_t kBreaksNamed = 4;
  QStringList notes;
  for (std::size_t i = 0; i < std::min(breaks.size(), kBreaksNamed); ++i) {
    notes << QStringLiteral("The lines break: %1.").arg(TimeAxisMap::Describe(breaks[i]));
  }
  if (breaks.size() > kBreaksNamed) {
    notes << QStringLiteral("The lines break %1 more times where time runs back or stops.")
                 .arg(breaks.size() - kBreaksNamed);
  }
  return notes;
}

QString TitleOf(const QString& logPath, const PassSeries& series) {
  const LogFormatter stamps;
  const auto stamp = [&stamps](qint64 ms) {
    return stamps.TimeStamp(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
  };
  const TimeAxisMap& time = series.Time();
  return QStringLiteral("%1: %2 to %3")
      .arg(QFileInfo(logPath).fileName(), stamp(time.WallClockAt(*series.FirstMs())),
           stamp(time.WallClockAt(*series.LastMs())));
}

// A log read for the chart: its passes and what it gave to say.
struct ReadLog {
  QString path;
  QString name;  // in the legend, when several are compared
  std::unique_ptr<PassSeries> series;
  LogReader::Result result;
  int status = plot_exit::kWholeLog;
  QStringList notes;  // for the chart; standard error has them already
  std::optional<QString> delivered;
};

// Reads one log, naming each of its faults with its path on standard error.
ReadLog Read(const PlotRequest& request, const QString& log) {
  ReadLog read;
  read.path = log;
  read.status = plot_exit::kNoChart;
  if (QFileInfo(log).isDir()) {
    Err() << "pelmor: " << log << " is a folder, not a log file" << Qt::endl;
    return read;
  }
  QFile file(log);
  if (!file.open(QIODevice::ReadOnly)) {
    Err() << "pelmor: cannot open " << log << ": " << file.errorString() << Qt::endl;
    return read;
  }

  // About one bucket a pixel across: four points each at most.
  read.series = std::make_unique<PassSeries>(
      PassSeries::Options{request.rows, std::chrono::milliseconds(0), request.size.width(),
                          request.from, request.to, request.alongCharge});
  const PassSeries& series = *read.series;
  qint64 problems = 0;
  LogReader reader(*read.series, [&](qint64 line, const QString& problem) {
    if (++problems <= kProblemsNamed) {
      Err() << "pelmor: " << log << ':' << line << ": " << problem << Qt::endl;
    }
  });
  const LogReader::Result& result = read.result = reader.Read(file);
  if (result.readError) {
    Err() << "pelmor: cannot read " << log << ": " << *result.readError << Qt::endl;
    return read;
  }
  if (result.refusal) {
    Err() << "pelmor: " << log << " is not a Pelmor log file: " << *result.refusal << Qt::endl;
    return read;
  }
  if (problems > kProblemsNamed) {
    Err() << "pelmor: " << log << ": " << problems - kProblemsNamed
          << " more problems, not named one by one" << Qt::endl;
  }
  if (result.records == 0) {
    Err() << "pelmor: " << log << ' ' << WhyNoRecord(file.size(), result) << "; no chart is written"
          << Qt::endl;
    return read;
  }
  if (series.Lines().empty()) {
    Err() << "pelmor: " << log << " holds no reading of "
          << (request.from || request.to ? QStringLiteral("the time asked for, ") : QString())
          << (request.rows.empty() ? QStringLiteral("a register that is a number")
                                   : QStringLiteral("the registers named"))
          << "; no chart is written" << Qt::endl;
    return read;
  }
  const QStringList missing = Missing(request, series);
  if (!missing.isEmpty()) {
    Err() << "pelmor: " << log << " holds no reading of " << missing.join(QStringLiteral(", "))
          << Qt::endl;
  }
  if (request.alongCharge && !series.ChargeExtent()) {
    Err() << "pelmor: " << log << " holds no Current reading to integrate; no chart is written"
          << Qt::endl;
    return read;
  }
  read.notes = NotesOn(result);
  if (!request.alongCharge) read.notes << NotesOn(series.BreaksKept());
  for (const QString& note : read.notes) Err() << "pelmor: " << log << ": " << note << Qt::endl;
  read.delivered = DeliveredText(series.Discharge());
  if (read.delivered && request.alongCharge) read.notes.prepend(*read.delivered);
  const bool guessed = result.zerosTakenForFailures > 0;
  read.status = result.problemLines > 0 || !missing.isEmpty() || guessed ? plot_exit::kLinesSkipped
                                                                         : plot_exit::kWholeLog;
  return read;
}

// What is printed once the picture is written: the charge delivered, the
// events, and that a log is still open; with each log's name when several.
void Report(const PlotRequest& request, const ReadLog& log, bool named) {
  const QString prefix = named ? log.name + QStringLiteral(": ") : QString();
  if (log.delivered) QTextStream(stdout) << prefix << *log.delivered << Qt::endl;
  if (request.events) PrintEvents(log.series->Events(), prefix);
  if (log.result.stillOpen) {
    Err() << "pelmor: " << log.path
          << " is still open: its last record is still being written, so the chart ends "
             "with the record before"
          << Qt::endl;
  }
}

// The axes left without numbers, said in the chart and on standard error.
void SayLeftOutScales(const ReadingsChart& readings, QChart& chart, QStringList notes) {
  const QStringList units = readings.LeftOutScales();
  if (units.isEmpty()) return;
  const QString note = QStringLiteral("Axes without numbers, for want of room at this size: %1.")
                           .arg(units.join(QStringLiteral(", ")));
  Err() << "pelmor: " << note << Qt::endl;
  ReadingsChart::SetNotes(chart, notes << note);
}

void DrawOne(const PlotRequest& request, const ReadLog& log, ChartPicture& picture) {
  picture.Chart().setTitle(TitleOf(log.path, *log.series));
  ReadingsChart::SetNotes(picture.Chart(), log.notes);
  ReadingsChart readings(picture.Chart(), request.scale);
  if (request.alongCharge) readings.SetAlong(PassSeries::Along::Charge);
  readings.ShowEvents(request.events);
  readings.Draw(*log.series);
  SayLeftOutScales(readings, picture.Chart(), log.notes);
}

void DrawCompared(const PlotRequest& request, const std::vector<ReadLog>& logs,
                  ChartPicture& picture) {
  QStringList names;
  QStringList notes;
  std::vector<ReadingsChart::ComparedLog> compared;
  for (const ReadLog& log : logs) {
    names << log.name;
    for (const QString& note : log.notes) notes << log.name + QStringLiteral(": ") + note;
    compared.push_back({log.name, log.series.get()});
  }
  picture.Chart().setTitle(
      QStringLiteral("%1, each from its first record").arg(names.join(QStringLiteral(", "))));
  ReadingsChart::SetNotes(picture.Chart(), notes);
  ReadingsChart readings(picture.Chart(), ReadingsChart::TimeScale::Elapsed);
  if (request.alongCharge) readings.SetAlong(PassSeries::Along::Charge);
  readings.ShowEvents(request.events);
  readings.DrawCompared(compared);
  SayLeftOutScales(readings, picture.Chart(), notes);
}

int Plot(const PlotRequest& request) {
  std::vector<ReadLog> logs;
  const QStringList names = LogNames(request.logPaths);
  int status = plot_exit::kWholeLog;
  for (qsizetype i = 0; i < request.logPaths.size(); ++i) {
    logs.push_back(Read(request, request.logPaths[i]));
    logs.back().name = names[i];
    status = std::max(status, logs.back().status);
  }
  if (status == plot_exit::kNoChart) {
    const auto undrawn = std::count_if(logs.begin(), logs.end(), [](const ReadLog& log) {
      return log.status == plot_exit::kNoChart;
    });
    if (logs.size() > 1) {
      Err() << "pelmor: no chart is written: " << undrawn << " of the " << logs.size()
            << " logs cannot be drawn" << Qt::endl;
    }
    return plot_exit::kNoChart;
  }

  ChartPicture picture(request.size);
  if (logs.size() == 1) {
    DrawOne(request, logs.front(), picture);
  } else {
    DrawCompared(request, logs, picture);
  }
  if (const std::optional<QString> error = picture.Write(request.outputPath)) {
    Err() << "pelmor: cannot write " << request.outputPath << ": " << *error << Qt::endl;
    return plot_exit::kNoChart;
  }
  for (const ReadLog& log : logs) Report(request, log, logs.size() > 1);
  return status;
}

// Qt warns on standard error that XDG_RUNTIME_DIR is not set, which is
// nothing a person plotting a log can or needs to act on.
QtMessageHandler qtHandler = nullptr;

void PassOnAllButRuntimeDirWarning(QtMsgType type, const QMessageLogContext& context,
                                   const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
  qtHandler(type, context, message);
}

}  // namespace

PlotParse ParsePlotCommand(const QStringList& arguments) {
  Parser p;
  PlotParse result;
  result.usage = p.parser.helpText();
  if (!p.parser.parse(arguments)) {
    result.error = p.parser.errorText();
    return result;
  }
  if (p.parser.isSet(p.help)) {
    result.helpAsked = true;
    return result;
  }
  const QStringList operands = p.parser.positionalArguments().mid(1);
  if (operands.isEmpty()) {
    result.error = QStringLiteral("Name the LOGFILE to draw.");
    return result;
  }
  PlotRequest request;
  QStringList registers;
  for (qsizetype i = 0; i < operands.size(); ++i) {
    (i == 0 || IsLogOperand(operands[i]) ? request.logPaths : registers) << operands[i];
  }
  if (const std::optional<QString> error = ReadRegisters(registers, request)) {
    result.error = *error;
    return result;
  }
  if (const std::optional<QString> error = CheckComparison(request, p)) {
    result.error = *error;
    return result;
  }
  if (!p.parser.isSet(p.output)) {
    result.error = QStringLiteral("Name the picture to write with -o FILE.png, .svg or .pdf.");
    return result;
  }
  request.outputPath = p.parser.value(p.output);
  if (!ChartPicture::FormatOf(request.outputPath)) {
    result.error = QStringLiteral("-o takes a file ending in .png, .svg or .pdf, not: %1")
                       .arg(request.outputPath);
    return result;
  }
  const std::optional<QSize> size =
      p.parser.isSet(p.size) ? SizeOf(p.parser.value(p.size)) : kDefaultSize;
  if (!size) {
    result.error = QStringLiteral("--size takes WIDTHxHEIGHT in pixels, each %1 to %2, not: %3")
                       .arg(kSmallestSide)
                       .arg(kLargestSide)
                       .arg(p.parser.value(p.size));
    return result;
  }
  request.size = *size;
  request.events = p.parser.isSet(p.events);
  for (auto [option, bound] : {std::pair{&p.from, &request.from}, std::pair{&p.to, &request.to}}) {
    if (!p.parser.isSet(*option)) continue;
    *bound = ParseTimeBound(p.parser.value(*option));
    if (!*bound) {
      result.error = QStringLiteral(
                         "--%1 takes a clock time (14:30), a date and time (12/07/2026 14:30) "
                         "or hours since the first record (2.5h), not: %2")
                         .arg(option->names().first(), p.parser.value(*option));
      return result;
    }
  }
  if (p.parser.isSet(p.along)) {
    const QString along = p.parser.value(p.along);
    if (along == QLatin1String("clock")) {
      request.scale = ReadingsChart::TimeScale::Clock;
    } else if (along == QLatin1String("elapsed")) {
      request.scale = ReadingsChart::TimeScale::Elapsed;
    } else if (along == QLatin1String("capacity")) {
      request.alongCharge = true;
    } else {
      result.error = QStringLiteral("--x takes clock, elapsed or capacity, not: %1").arg(along);
      return result;
    }
  }
  result.request = std::move(request);
  return result;
}

int RunPlotCommand(int& argc, char** argv) {
  // Qt Charts draws on the graphics view, which needs an application with a
  // platform; the offscreen one needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  SendMessagesToStandardError();
  qtHandler = qInstallMessageHandler(PassOnAllButRuntimeDirWarning);
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("pelmor"));

  const PlotParse parse = ParsePlotCommand(QApplication::arguments());
  if (parse.helpAsked) {
    StandardOut().Write(parse.usage + QLatin1Char('\n') + ExitStatusHelp(kPlotExitStatuses));
    return StatusAfterOutput(plot_exit::kWholeLog);
  }
  if (!parse.request) {
    Err() << "pelmor: " << parse.error << '\n' << parse.usage;
    return StatusAfterOutput(plot_exit::kUsageError);
  }
  return StatusAfterOutput(Plot(*parse.request));
}
