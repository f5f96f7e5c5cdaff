#include "PassOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <optional>

#include "OptionalRegisters.h"

namespace {

// A register read by its number shows its word in decimal too.
std::optional<uint> DecimalOf(const HeadlessScan::RowResult& row,
                              const RegisterCatalogue& catalogue) {
  if (!row.ok || !RegisterNumber(catalogue.RegisterName(row.row))) return std::nullopt;
  return row.text.toUInt(nullptr, 16);
}

QString ShownValue(const HeadlessScan::RowResult& row, const RegisterCatalogue& catalogue) {
  const std::optional<uint> decimal = DecimalOf(row, catalogue);
  return decimal ? QStringLiteral("%1 (%2)").arg(row.text).arg(*decimal) : row.text;
}

}  // namespace

PassOutput::PassOutput(OutputFormat format, QTextStream& out)
    : format_(format), out_(out), log_(LogFormatter::RegionalSeparators(QLocale::system())) {
  // The log's bytes are Latin-1, as the data fields hold them.
  if (format_ == OutputFormat::Csv) out_.setEncoding(QStringConverter::Latin1);
}

void PassOutput::Print(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  switch (format_) {
    case OutputFormat::Text:
      PrintText(pass, catalogue);
      break;
    case OutputFormat::Csv:
      PrintCsv(pass, catalogue);
      break;
    case OutputFormat::Json:
      PrintJson(pass, catalogue);
      break;
  }
  ++passesPrinted_;
  out_.flush();
}

void PassOutput::PrintText(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  qsizetype nameWidth = 0;
  qsizetype valueWidth = 0;
  for (const auto& row : pass.rows) {
    nameWidth = std::max(nameWidth, catalogue.RegisterName(row.row).size());
    valueWidth = std::max(valueWidth, ShownValue(row, catalogue).size());
  }
  if (passesPrinted_ > 0) out_ << '\n';
  for (const auto& row : pass.rows) {
    out_ << catalogue.RegisterName(row.row).leftJustified(nameWidth) << "  "
         << ShownValue(row, catalogue).leftJustified(valueWidth) << "  "
         << catalogue.UnitClass(row.row) << '\n';
  }
}

QJsonObject PassOutput::JsonObject(const HeadlessScan::Pass& pass,
                                   const RegisterCatalogue& catalogue) {
  QJsonArray registers;
  for (const auto& row : pass.rows) {
    QJsonObject entry{{QStringLiteral("name"), catalogue.RegisterName(row.row)},
                      {QStringLiteral("value"), row.text},
                      {QStringLiteral("unit"), catalogue.UnitClass(row.row)},
                      {QStringLiteral("ok"), row.ok}};
    if (const std::optional<uint> decimal = DecimalOf(row, catalogue)) {
      entry.insert(QStringLiteral("decimal"), static_cast<qint64>(*decimal));
    }
    registers.append(entry);
  }
  return {{QStringLiteral("start"), pass.startTime.toString(Qt::ISODateWithMs)},
          {QStringLiteral("registers"), registers}};
}

void PassOutput::PrintJson(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  out_ << QString::fromUtf8(
              QJsonDocument(JsonObject(pass, catalogue)).toJson(QJsonDocument::Compact))
       << '\n';
}

// The log file's bytes: the header line, then a record a pass, each line
// ended as soon as it is complete so that a reader sees whole records.
void PassOutput::PrintCsv(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  if (passesPrinted_ == 0) {
    QList<LogColumn> columns;
    for (const auto& row : pass.rows) {
      columns.append({catalogue.RegisterName(row.row), catalogue.UnitClass(row.row)});
    }
    out_ << LogFormatter::HeaderLine(columns) << LogFormatter::LineEnd();
  }
  QStringList values;
  for (const auto& row : pass.rows) {
    values << (row.ok ? row.text : LogFormatter::FailurePlaceholder(catalogue.UnitClass(row.row)));
  }
  out_ << log_.RecordLine(pass.startTime, values) << LogFormatter::LineEnd();
}
