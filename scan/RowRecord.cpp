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

}  // namespace

QJsonObject RowJson(const RowRecord& row, const RegisterCatalogue& catalogue) {
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
