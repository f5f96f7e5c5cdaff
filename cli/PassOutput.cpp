#include "PassOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

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
    valueWidth = std::max(valueWidth, row.text.size());
  }
  if (passesPrinted_ > 0) out_ << '\n';
  for (const auto& row : pass.rows) {
    out_ << catalogue.RegisterName(row.row).leftJustified(nameWidth) << "  "
         << row.text.leftJustified(valueWidth) << "  " << catalogue.UnitClass(row.row) << '\n';
  }
}

void PassOutput::PrintJson(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  QJsonArray registers;
  for (const auto& row : pass.rows) {
    registers.append(QJsonObject{{QStringLiteral("name"), catalogue.RegisterName(row.row)},
                                 {QStringLiteral("value"), row.text},
                                 {QStringLiteral("unit"), catalogue.UnitClass(row.row)},
                                 {QStringLiteral("ok"), row.ok}});
  }
  const QJsonObject object{{QStringLiteral("start"), pass.startTime.toString(Qt::ISODateWithMs)},
                           {QStringLiteral("registers"), registers}};
  out_ << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
}

void PassOutput::PrintCsv(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  if (passesPrinted_ == 0) {
    out_ << "Date/Time";
    for (const auto& row : pass.rows) {
      out_ << ',' << catalogue.RegisterName(row.row) << '(' << catalogue.UnitClass(row.row) << ')';
    }
    out_ << "\r\n";
  }
  out_ << pass.startTime.toString(QStringLiteral("MM/dd/yyyy hh:mm:ss"));
  for (const auto& row : pass.rows) {
    const bool isString = catalogue.UnitClass(row.row) == QLatin1String("string");
    out_ << ',' << (row.ok ? row.text : isString ? QStringLiteral("\"\"") : QStringLiteral("0"));
  }
  out_ << "\r\n";
}
