#include "cli/PassOutput.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "battery/OptionalRegisters.h"
#include "cli/TerminalText.h"

namespace {

// A row the pass never reached shows a dash; a register read by its number
// shows its word in decimal too.
QString ShownValue(const RowRecord& row, const RegisterCatalogue& catalogue) {
  if (!row.reached) return QStringLiteral("-");
  if (!row.ok || !RegisterNumber(catalogue.RegisterName(row.row))) return row.text;
  const std::optional<int> word = ReplyNumber(catalogue.UnitClass(row.row), row.reply);
  return word ? QStringLiteral("%1 (%2)").arg(row.text).arg(*word) : row.text;
}

// What the value column alone does not say: a row not reached, a reply that
// did not fit.
QString Note(const RowRecord& row) {
  if (!row.reached) return QStringLiteral("  (not reached: the pass ended before this row)");
  if (row.replied && row.fit != ReplyFit::Complete) {
    return QStringLiteral("  (%1)").arg(ReplyFitWords(row.fit));
  }
  return {};
}

}  // namespace

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
  QStringList values;
  qsizetype nameWidth = 0;
  qsizetype valueWidth = 0;
  for (const auto& row : pass.rows) {
    values << TerminalText(ShownValue(row, catalogue));
    nameWidth = std::max(nameWidth, catalogue.RegisterName(row.row).size());
    valueWidth = std::max(valueWidth, values.last().size());
  }
  QString text;
  if (passesRendered_ > 0) text += QLatin1Char('\n');
  for (std::size_t i = 0; i < pass.rows.size(); ++i) {
    const RowRecord& row = pass.rows[i];
    text += catalogue.RegisterName(row.row).leftJustified(nameWidth) + QStringLiteral("  ") +
            values[static_cast<qsizetype>(i)].leftJustified(valueWidth) + QStringLiteral("  ") +
            catalogue.UnitClass(row.row) + Note(row) + QLatin1Char('\n');
  }
  return text;
}

QString PassOutput::Json(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) const {
  return QString::fromUtf8(QJsonDocument(PassJson(pass.startTime, pass.rows, catalogue))
                               .toJson(QJsonDocument::Compact)) +
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
    const QString unit = catalogue.UnitClass(row.row);
    if (!row.reached) {
      values << QString();
    } else {
      values << (row.ok ? LogFormatter::ValueField(unit, row.text)
                        : LogFormatter::FailurePlaceholder(unit));
    }
  }
  return text + log_.RecordLine(pass.startTime, values) + LogFormatter::LineEnd();
}
