#include "scan/RowRecord.h"

#include <QJsonArray>

#include "battery/UnitClass.h"
#include "link/FaultWords.h"

namespace {

// The fault word a row was given up with; a refused hand-over has no word.
QString FaultText(RowFault fault) {
  const QString word = FaultWord(fault);
  return word.isEmpty() ? QStringLiteral("REFUSED") : word;
}

QJsonValue ValueOf(const QString& unit, const ReplyBuffer& reply) {
  if (const std::optional<int> number = ReplyNumber(unit, reply)) return *number;
  if (unit == unit_class::kBlock) {
    QJsonArray bytes;
    for (const char byte : ReplyBytes(reply)) bytes.append(static_cast<std::uint8_t>(byte));
    return bytes;
  }
  return ReplyString(reply);
}

}  // namespace

QJsonObject RowJson(const RowRecord& row, const RegisterCatalogue& catalogue) {
  const QString unit = catalogue.UnitClass(row.row);
  QJsonObject object{{QStringLiteral("name"), catalogue.RegisterName(row.row)},
                     {QStringLiteral("unit"), unit},
                     {QStringLiteral("ok"), row.ok}};
  if (!row.reached) object[QStringLiteral("reached")] = false;
  if (!row.replied && !row.ok) {
    if (row.reached) {
      object[QStringLiteral("fault")] =
          row.fault ? QJsonValue(FaultText(*row.fault)) : QJsonValue();
    }
    object[QStringLiteral("value")] = QJsonValue();
    return object;
  }
  if (row.fit != ReplyFit::Complete) object[QStringLiteral("reply")] = ReplyFitWords(row.fit);
  const std::optional<ReplyBuffer> came = ReplyAsFarAsItCame(unit, row.reply, row.length);
  object[QStringLiteral("value")] = came ? ValueOf(unit, *came) : QJsonValue();
  if (came && unit == unit_class::kHex) object[QStringLiteral("hex")] = row.text;
  return object;
}
