#include "report/PackReport.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <algorithm>

#include "battery/RegisterBits.h"
#include "cli/TerminalText.h"
#include "decoders/FieldConversions.h"

namespace {

constexpr double kZeroCelsiusDeciKelvin = 2731.5;

const QString kNoAnswer = QStringLiteral("did not answer");

ReportLine Missing(const QString& label, const QString& key) {
  return {label, kNoAnswer, key, QJsonValue()};
}

ReportLine TextLine(const QString& label, const QString& key, const std::optional<QString>& text) {
  if (!text) return Missing(label, key);
  return {label, *text, key, *text};
}

// A decoder's hint as its lines, one a sentence or part of one.
QStringList HintLines(const char* hint) {
  static const QRegularExpression lineBreak(QStringLiteral("\\r?\\n"));
  return QString::fromLatin1(hint).split(lineBreak);
}

// The first sentence of a decoder's hint, its line breaks undone.
QString FirstSentence(const char* hint) {
  const QString text = HintLines(hint).join(QLatin1Char(' '));
  const qsizetype end = text.indexOf(QStringLiteral(". "));
  return end < 0 ? text : text.left(end + 1);
}

QString Word(int value) {
  return DecoderWordText(value);
}

QString AgeText(qint64 days) {
  const qint64 months = days * 12 / 365;
  const qint64 years = months / 12;
  QStringList parts;
  if (years > 0) parts << QStringLiteral("%1 year%2").arg(years).arg(years == 1 ? "" : "s");
  parts << QStringLiteral("%1 month%2").arg(months % 12).arg(months % 12 == 1 ? "" : "s");
  return parts.join(QLatin1Char(' ')) + QStringLiteral(" (%1 days)").arg(days);
}

ReportSection Identity(const PackFigures& f, const QDate& today) {
  ReportSection section{QStringLiteral("Identity"), QStringLiteral("identity"), {}};
  auto& lines = section.lines;
  lines.push_back(TextLine(QStringLiteral("Manufacturer"), QStringLiteral("manufacturer"),
                           f.Text("ManufacturerName")));
  lines.push_back(
      TextLine(QStringLiteral("Device"), QStringLiteral("device"), f.Text("DeviceName")));
  lines.push_back(TextLine(QStringLiteral("Chemistry"), QStringLiteral("chemistry"),
                           f.Text("DeviceChemistry")));
  if (const auto serial = f.Number("SerialNumber")) {
    lines.push_back({QStringLiteral("Serial number"), QString::number(*serial),
                     QStringLiteral("serialNumber"), *serial});
  } else {
    lines.push_back(Missing(QStringLiteral("Serial number"), QStringLiteral("serialNumber")));
  }
  const auto word = f.Number("ManufactureDate");
  const DateSelection date = DateFromWord(word.value_or(0));
  const QDate made(kFirstYear + date.year, date.month + 1, date.day + 1);
  if (!word) {
    lines.push_back(Missing(QStringLiteral("Manufactured"), QStringLiteral("manufactureDate")));
  } else if (!made.isValid()) {
    lines.push_back({QStringLiteral("Manufactured"),
                     QStringLiteral("%1 holds no date").arg(Word(*word)),
                     QStringLiteral("manufactureDate"), QJsonValue()});
  } else {
    lines.push_back({QStringLiteral("Manufactured"), made.toString(Qt::ISODate),
                     QStringLiteral("manufactureDate"), made.toString(Qt::ISODate)});
    const qint64 days = made.daysTo(today);
    lines.push_back({QStringLiteral("Age"), AgeText(days), QStringLiteral("age"),
                     QJsonObject{{"value", days}, {"unit", "days"}}});
  }
  if (const auto info = f.Number("SpecificationInfo")) {
    static constexpr const char* kVersions[] = {"1.0", "1.1", "1.1 with PEC"};
    const int version = (*info >> 4) & 0xF;
    const QString versionText = version >= 1 && version <= 3
                                    ? QString::fromLatin1(kVersions[version - 1])
                                    : QStringLiteral("%1 (unknown)").arg(version);
    lines.push_back({QStringLiteral("Specification"),
                     QStringLiteral("version %1, revision %2, voltage x%3, current x%4 (%5)")
                         .arg(versionText)
                         .arg(*info & 0xF)
                         .arg(VoltageScaling(*info))
                         .arg(CurrentScaling(*info))
                         .arg(Word(*info)),
                     QStringLiteral("specificationInfo"),
                     QJsonObject{{"word", Word(*info)},
                                 {"version", versionText},
                                 {"revision", *info & 0xF},
                                 {"voltageFactor", VoltageScaling(*info)},
                                 {"currentFactor", CurrentScaling(*info)}}});
  } else {
    lines.push_back(Missing(QStringLiteral("Specification"), QStringLiteral("specificationInfo")));
  }
  return section;
}

// A register's number as a figure, or the line that says it did not answer.
ReportLine NumberLine(const PackFigures& f, const char* name, const QString& label,
                      const QString& key, const QString& unit, double scale = 1, int decimals = 0,
                      double offset = 0) {
  const auto number = f.Number(name);
  if (!number) return Missing(label, key);
  return FigureLine(label, key, *number * scale + offset, unit, decimals);
}

ReportSection Health(const PackFigures& f, const VerdictLimits& limits) {
  const QString unit = CapacityUnit(f);
  ReportSection section{QStringLiteral("Health"), QStringLiteral("health"), {}};
  auto& lines = section.lines;
  lines.push_back(NumberLine(f, "FullChargeCapacity", QStringLiteral("FullChargeCapacity"),
                             QStringLiteral("fullChargeCapacity"), unit));
  lines.push_back(NumberLine(f, "DesignCapacity", QStringLiteral("DesignCapacity"),
                             QStringLiteral("designCapacity"), unit));
  if (const auto health = HealthPercent(f)) {
    lines.push_back(FigureLine(QStringLiteral("Health"), QStringLiteral("healthPercent"), *health,
                               QStringLiteral("%"), 1));
  }
  if (const auto soh = f.Number("StateOfHealth")) {
    lines.push_back(FigureLine(QStringLiteral("StateOfHealth"), QStringLiteral("stateOfHealth"),
                               *soh, QStringLiteral("%"), 0));
  } else {
    lines.push_back({QStringLiteral("StateOfHealth"), QStringLiteral("not offered"),
                     QStringLiteral("stateOfHealth"), QJsonValue()});
  }
  ReportLine cycles = NumberLine(f, "CycleCount", QStringLiteral("CycleCount"),
                                 QStringLiteral("cycleCount"), QStringLiteral("cycles"));
  if (limits.ratedCycles && f.Number("CycleCount")) {
    cycles.shown += QStringLiteral(" of %1 rated").arg(*limits.ratedCycles);
    QJsonObject value = cycles.value.toObject();
    value[QStringLiteral("rated")] = *limits.ratedCycles;
    cycles.value = value;
  }
  lines.push_back(cycles);
  return section;
}

ReportSection Cells(const PackFigures& f) {
  ReportSection section{QStringLiteral("Cells"), QStringLiteral("cells"), {}};
  for (const auto& [name, mv] : CellVoltages(f)) {
    section.lines.push_back(FigureLine(name, name, mv, QStringLiteral("mV"), 0));
  }
  if (const auto spread = CellSpreadMv(f)) {
    section.lines.push_back(
        FigureLine(QStringLiteral("Spread"), QStringLiteral("spread"), *spread, "mV", 0));
  }
  if (section.lines.empty()) {
    section.lines.push_back({QStringLiteral("Cell voltages"), QStringLiteral("not offered"),
                             QStringLiteral("cellVoltages"), QJsonValue()});
  }
  return section;
}

ReportSection Now(const PackFigures& f) {
  const QString unit = CapacityUnit(f);
  ReportSection section{QStringLiteral("Now"), QStringLiteral("now"), {}};
  auto& lines = section.lines;
  lines.push_back(NumberLine(f, "Voltage", QStringLiteral("Voltage"), QStringLiteral("voltage"),
                             QStringLiteral("V"), 0.001, 3));
  lines.push_back(NumberLine(f, "Current", QStringLiteral("Current"), QStringLiteral("current"),
                             QStringLiteral("A"), 0.001, 3));
  lines.push_back(NumberLine(f, "Temperature", QStringLiteral("Temperature"),
                             QStringLiteral("temperature"), QStringLiteral("°C"), 0.1, 1,
                             -kZeroCelsiusDeciKelvin / 10));
  lines.push_back(NumberLine(f, "RelStateOfCharge", QStringLiteral("RelStateOfCharge"),
                             QStringLiteral("relativeStateOfCharge"), QStringLiteral("%")));
  lines.push_back(NumberLine(f, "AbsStateOfCharge", QStringLiteral("AbsStateOfCharge"),
                             QStringLiteral("absoluteStateOfCharge"), QStringLiteral("%")));
  lines.push_back(NumberLine(f, "RemainingCapacity", QStringLiteral("RemainingCapacity"),
                             QStringLiteral("remainingCapacity"), unit));
  lines.push_back(NumberLine(f, "ChargingVoltage", QStringLiteral("ChargingVoltage"),
                             QStringLiteral("chargingVoltage"), QStringLiteral("V"), 0.001, 3));
  lines.push_back(NumberLine(f, "ChargingCurrent", QStringLiteral("ChargingCurrent"),
                             QStringLiteral("chargingCurrent"), QStringLiteral("A"), 0.001, 3));
  return section;
}

// Every bit that is set, in the decoders' own words.
ReportSection Status(const PackFigures& f) {
  ReportSection section{QStringLiteral("Status"), QStringLiteral("status"), {}};
  auto& lines = section.lines;
  if (const auto status = f.Number("BatteryStatus")) {
    lines.push_back({QStringLiteral("BatteryStatus"), Word(*status),
                     QStringLiteral("batteryStatus"), Word(*status)});
    for (const BitBox& bit : BatteryStatusBits()) {
      if ((*status & bit.mask) == 0) continue;
      lines.push_back({QString::fromLatin1(bit.caption), FirstSentence(bit.hint),
                       QString::fromLatin1(bit.name), FirstSentence(bit.hint)});
    }
    const ErrorCodeItem& code = ErrorCodes()[static_cast<std::size_t>(*status & kErrorCodeMask)];
    lines.push_back({QStringLiteral("Error code"),
                     QStringLiteral("%1: %2").arg(QString::fromLatin1(code.item),
                                                  QString::fromLatin1(code.hintLine)),
                     QStringLiteral("errorCode"),
                     QJsonObject{{"code", *status & kErrorCodeMask},
                                 {"item", QString::fromLatin1(code.item)},
                                 {"text", QString::fromLatin1(code.hintLine)}}});
  } else {
    lines.push_back(Missing(QStringLiteral("BatteryStatus"), QStringLiteral("batteryStatus")));
  }
  if (const auto mode = f.Number("BatteryMode")) {
    lines.push_back(
        {QStringLiteral("BatteryMode"), Word(*mode), QStringLiteral("batteryMode"), Word(*mode)});
    for (const BitBox& bit : BatteryModeBits()) {
      if (bit.mask != 0x0080 || (*mode & bit.mask) == 0) continue;
      lines.push_back({QString::fromLatin1(bit.name), FirstSentence(bit.hint),
                       QString::fromLatin1(bit.name), FirstSentence(bit.hint)});
    }
    const BitBox& capacityMode = BatteryModeBits().back();
    const QStringList said = HintLines(capacityMode.hint);
    const QString modeText = said.value((*mode & kCapacityModeBit) != 0 ? 1 : 0);
    lines.push_back({QString::fromLatin1(capacityMode.name), modeText,
                     QString::fromLatin1(capacityMode.name), modeText});
  } else {
    lines.push_back(Missing(QStringLiteral("BatteryMode"), QStringLiteral("batteryMode")));
  }
  return section;
}

QString FileNamePart(const std::optional<QString>& text) {
  static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._]+"));
  const QString part = text.value_or(QStringLiteral("unknown")).trimmed().replace(unsafe, "_");
  return part.isEmpty() ? QStringLiteral("unknown") : part;
}

}  // namespace

ReportLine FigureLine(const QString& label, const QString& key, double value, const QString& unit,
                      int decimals) {
  const QString number = QString::number(value, 'f', decimals);
  return {label, number + QLatin1Char(' ') + unit, key,
          QJsonObject{{"value", number.toDouble()}, {"unit", unit}}};
}

PackReport ReportOf(const PackFigures& figures, const VerdictLimits& limits,
                    const ReportOrigin& origin) {
  PackReport report;
  report.origin = origin;
  report.sections = {Identity(figures, origin.time.date()), Health(figures, limits), Cells(figures),
                     Now(figures), Status(figures)};
  report.verdict = Judge(figures, limits);
  const auto serial = figures.Number("SerialNumber");
  report.packName = FileNamePart(figures.Text("ManufacturerName")) + QLatin1Char('-') +
                    FileNamePart(figures.Text("DeviceName")) + QLatin1Char('-') +
                    FileNamePart(serial ? std::optional(QString::number(*serial)) : std::nullopt);
  return report;
}

void AddSection(PackReport& report, ReportSection section) {
  report.sections.push_back(std::move(section));
}

QString ReportText(const PackReport& report) {
  qsizetype width = 0;
  for (const ReportSection& section : report.sections) {
    for (const ReportLine& line : section.lines) width = std::max(width, line.label.size());
  }
  const ReportOrigin& o = report.origin;
  QString text = QStringLiteral("Pack report, %1, station %2, port %3, address %4, %5\n")
                     .arg(o.time.toString(Qt::ISODate), o.station, o.port, o.address, o.program);
  for (const ReportSection& section : report.sections) {
    text += QLatin1Char('\n') + section.title + QLatin1Char('\n');
    for (const ReportLine& line : section.lines) {
      text += QStringLiteral("  ") + line.label.leftJustified(width) + QStringLiteral("  ") +
              TerminalText(line.shown) + QLatin1Char('\n');
    }
  }
  text += QStringLiteral("\nVerdict: %1\n").arg(GradeWord(report.verdict.grade));
  for (const VerdictReason& reason : report.verdict.reasons) {
    text += QStringLiteral("  ") + GradeWord(reason.grade).leftJustified(5) + QStringLiteral("  ") +
            reason.text + QLatin1Char('\n');
  }
  return text;
}

QJsonObject ReportJson(const PackReport& report) {
  const ReportOrigin& o = report.origin;
  QJsonObject json{{"time", o.time.toString(Qt::ISODateWithMs)},
                   {"station", o.station},
                   {"program", o.program},
                   {"port", o.port},
                   {"address", o.address}};
  for (const ReportSection& section : report.sections) {
    QJsonObject lines;
    for (const ReportLine& line : section.lines) lines[line.key] = line.value;
    json[section.key] = lines;
  }
  QJsonArray reasons;
  for (const VerdictReason& reason : report.verdict.reasons) {
    reasons.append(QJsonObject{{"grade", GradeWord(reason.grade)}, {"text", reason.text}});
  }
  json[QStringLiteral("verdict")] =
      QJsonObject{{"grade", GradeWord(report.verdict.grade)}, {"reasons", reasons}};
  return json;
}

QString ReportHtml(const PackReport& report, const QString& imageSource, int imageWidth) {
  static const std::map<Grade, QString> colours{{Grade::Pass, QStringLiteral("#1b7f2a")},
                                                {Grade::Check, QStringLiteral("#b36b00")},
                                                {Grade::Fail, QStringLiteral("#b3001b")}};
  const ReportOrigin& o = report.origin;
  const auto esc = [](const QString& text) { return text.toHtmlEscaped(); };
  QString html = QStringLiteral(
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Pack report</title></head>"
      "<body style=\"font-family: sans-serif; font-size: 10pt\">");
  const ReportSection& identity = report.sections.front();
  html += QStringLiteral("<h2>%1 %2, serial %3</h2>")
              .arg(esc(identity.lines[0].shown), esc(identity.lines[1].shown),
                   esc(identity.lines[3].shown));
  html += QStringLiteral("<p style=\"font-size: 40pt; font-weight: bold; color: %1\">%2</p><ul>")
              .arg(colours.at(report.verdict.grade), GradeWord(report.verdict.grade));
  for (const VerdictReason& reason : report.verdict.reasons) {
    html += QStringLiteral("<li><b>%1</b> %2</li>").arg(GradeWord(reason.grade), esc(reason.text));
  }
  // Identity, health and cells on the left; the present readings, the
  // status and what else was added on the right.
  html += QStringLiteral("</ul><table width=\"100%\" cellspacing=\"0\"><tr>");
  const auto column = [&](std::size_t from, std::size_t to) {
    QString cell = QStringLiteral("<td width=\"50%\" valign=\"top\"><table cellpadding=\"2\">");
    for (std::size_t i = from; i < std::min(to, report.sections.size()); ++i) {
      const ReportSection& section = report.sections[i];
      cell += QStringLiteral("<tr><td colspan=\"2\"><b>%1</b></td></tr>").arg(esc(section.title));
      for (const ReportLine& line : section.lines) {
        cell +=
            QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(esc(line.label), esc(line.shown));
      }
    }
    return cell + QStringLiteral("</table></td>");
  };
  constexpr std::size_t kLeftSections = 3;
  html += column(0, kLeftSections) + column(kLeftSections, report.sections.size()) +
          QStringLiteral("</tr></table>");
  if (!imageSource.isEmpty())
    html += QStringLiteral("<p><img src=\"%1\" width=\"%2\"></p>").arg(imageSource).arg(imageWidth);
  html += QStringLiteral(
              "<p style=\"color: #555555\">Read %1 at station %2, port %3, address %4, "
              "by %5.</p></body></html>")
              .arg(esc(o.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))), esc(o.station),
                   esc(o.port), esc(o.address), esc(o.program));
  return html;
}
