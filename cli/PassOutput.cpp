#include "PassOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

PassOutput::PassOutput(OutputFormat format)
    : format_(format), log_(LogFormatter::RegionalSeparators(QLocale::system())) {}

QByteArray PassOutput::Render(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) {
  QByteArray bytes;
  switch (format_) {
    case OutputFormat::Text:
      bytes = Text(pass, catalogue).toUtf8();
      break;
    case OutputFormat::Csv:
      // The log's bytes are Latin-1, as the data fields hold them.
      bytes = LogFormatter::FileBytes(Csv(pass, catalogue));
      break;
    case OutputFormat::Json:
      bytes = Json(pass, catalogue).toUtf8();
      break;
  }
  ++passesRendered_;
  return bytes;
}

QString PassOutput::Text(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) const {
  qsizetype nameWidth = 0;
  qsizetype valueWidth = 0;
  for (const auto& row : pass.rows) {
    nameWidth = std::max(nameWidth, catalogue.RegisterName(row.row).size());
    valueWidth = std::max(valueWidth, row.text.size());
  }
  QString text;
  if (passesRendered_ > 0) text += QLatin1Char('\n');
  for (const auto& row : pass.rows) {
    text += catalogue.RegisterName(row.row).leftJustified(nameWidth) + QStringLiteral("  ") +
            row.text.leftJustified(valueWidth) + QStringLiteral("  ") +
            catalogue.UnitClass(row.row) +
            (row.cutShort ? QStringLiteral("  (cut short)") : QString()) + QLatin1Char('\n');
  }
  return text;
}

QString PassOutput::Json(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) const {
  QJsonArray registers;
  for (const auto& row : pass.rows) {
    registers.append(QJsonObject{{QStringLiteral("name"), catalogue.RegisterName(row.row)},
                                 {QStringLiteral("value"), row.text},
                                 {QStringLiteral("unit"), catalogue.UnitClass(row.row)},
                                 {QStringLiteral("ok"), row.ok}});
  }
  const QJsonObject object{{QStringLiteral("start"), pass.startTime.toString(Qt::ISODateWithMs)},
                           {QStringLiteral("registers"), registers}};
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
         QLatin1Char('\n');
}

// The log file's text: the header line, then a record a pass, each line ended
// as soon as it is complete.
QString PassOutput::Csv(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) const {
  QString text;
  if (passesRendered_ == 0) {
    QList<LogColumn> columns;
    for (const auto& row : pass.rows) {
      columns.append({catalogue.RegisterName(row.row), catalogue.UnitClass(row.row)});
    }
    text += LogFormatter::HeaderLine(columns) + LogFormatter::LineEnd();
  }
  QStringList values;
  for (const auto& row : pass.rows) {
    const bool read = row.ok || row.cutShort;
    values << (read ? row.text : LogFormatter::FailurePlaceholder(catalogue.UnitClass(row.row)));
  }
  return text + log_.RecordLine(pass.startTime, values) + LogFormatter::LineEnd();
}
