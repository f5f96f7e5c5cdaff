#include "PassOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "FaultWords.h"
#include "OptionalRegisters.h"
#include "TerminalText.h"
#include "UnitClass.h"

namespace {

// A register read by its number shows its word in decimal too.
QString ShownValue(const HeadlessScan::RowResult& row, const RegisterCatalogue& catalogue) {
  if (!row.ok || !RegisterNumber(catalogue.RegisterName(row.row))) return row.text;
  return QStringLiteral("%1 (%2)").arg(row.text).arg(row.text.toUInt(nullptr, 16));
}

// The fault word a row was given up with; a refused hand-over has no word.
QString FaultText(RowFault fault) {
  const QString word = FaultWord(fault);
  return word.isEmpty() ? QStringLiteral("REFUSED") : word;
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
    const HeadlessScan::RowResult& row = pass.rows[i];
    text += catalogue.RegisterName(row.row).leftJustified(nameWidth) + QStringLiteral("  ") +
            values[static_cast<qsizetype>(i)].leftJustified(valueWidth) + QStringLiteral("  ") +
            catalogue.UnitClass(row.row) +
            (row.cutShort ? QStringLiteral("  (cut short)") : QString()) + QLatin1Char('\n');
  }
  return text;
}

QJsonObject PassOutput::JsonObject(const HeadlessScan::Pass& pass,
                                   const RegisterCatalogue& catalogue) {
  QJsonArray registers;
  for (const auto& row : pass.rows) registers.append(JsonRegister(row, catalogue));
  return {{QStringLiteral("start"), pass.startTime.toString(Qt::ISODateWithMs)},
          {QStringLiteral("registers"), registers}};
}

QString PassOutput::Json(const HeadlessScan::Pass& pass, const RegisterCatalogue& catalogue) const {
  return QString::fromUtf8(
             QJsonDocument(JsonObject(pass, catalogue)).toJson(QJsonDocument::Compact)) +
         QLatin1Char('\n');
}

// A register's value in its own type, from the reply the adapter handed over:
// a number (signed where the unit is; a hexadecimal word also as its digits),
// a string's characters, a block's bytes. A row not read has no value, and
// the fault word it was given up with.
QJsonObject PassOutput::JsonRegister(const HeadlessScan::RowResult& row,
                                     const RegisterCatalogue& catalogue) {
  const QString unit = catalogue.UnitClass(row.row);
  QJsonObject object{{QStringLiteral("name"), catalogue.RegisterName(row.row)},
                     {QStringLiteral("unit"), unit},
                     {QStringLiteral("ok"), row.ok}};
  if (!row.ok && !row.cutShort) {
    object[QStringLiteral("fault")] = row.fault ? QJsonValue(FaultText(*row.fault)) : QJsonValue();
    object[QStringLiteral("value")] = QJsonValue();
    return object;
  }
  if (row.cutShort) object[QStringLiteral("cutShort")] = true;
  if (const std::optional<int> number = ReplyNumber(unit, row.reply)) {
    object[QStringLiteral("value")] = *number;
    if (unit == unit_class::kHex) object[QStringLiteral("hex")] = row.text;
  } else if (unit == unit_class::kBlock) {
    QJsonArray bytes;
    for (const char byte : ReplyBytes(row.reply)) bytes.append(static_cast<std::uint8_t>(byte));
    object[QStringLiteral("value")] = bytes;
  } else {
    object[QStringLiteral("value")] = ReplyString(row.reply);
  }
  return object;
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
    const bool read = row.ok || row.cutShort;
    values << (read ? LogFormatter::ValueField(unit, row.text)
                    : LogFormatter::FailurePlaceholder(unit));
  }
  return text + log_.RecordLine(pass.startTime, values) + LogFormatter::LineEnd();
}
