#include "publish/RegisterValues.h"

#include <QJsonArray>
#include <array>

#include "battery/RegisterBits.h"
#include "battery/ValueCodec.h"

namespace {

// What a pack reads as a time when there is none to tell.
constexpr int kNoTimeToTell = 65535;

// raw / divisor + offset, in the unit named; a class of the capacity mode
// has one rule for each mode.
struct SiRule {
  QLatin1String unitClass;
  CapacityUnits mode;  // Unknown: either
  double divisor;
  double offset;
  const char* unit;
};

const std::array kSiRules{
    SiRule{unit_class::kMillivolts, CapacityUnits::Unknown, 1000, 0, "V"},
    SiRule{unit_class::kMilliamps, CapacityUnits::Unknown, 1000, 0, "A"},
    SiRule{unit_class::kSignedMilliamps, CapacityUnits::Unknown, 1000, 0, "A"},
    SiRule{unit_class::kTenthKelvin, CapacityUnits::Unknown, 10, -273.15, "\u00B0C"},
    SiRule{unit_class::kPercent, CapacityUnits::Unknown, 1, 0, "%"},
    SiRule{unit_class::kMinutes, CapacityUnits::Unknown, 1, 0, "min"},
    SiRule{unit_class::kCapacity, CapacityUnits::MilliampHours, 1000, 0, "Ah"},
    SiRule{unit_class::kCapacity, CapacityUnits::TenMilliwattHours, 100, 0, "Wh"},
    SiRule{unit_class::kSignedRate, CapacityUnits::MilliampHours, 1000, 0, "A"},
    SiRule{unit_class::kSignedRate, CapacityUnits::TenMilliwattHours, 100, 0, "W"},
    SiRule{unit_class::kDecimal, CapacityUnits::Unknown, 1, 0, ""},
    SiRule{unit_class::kHex, CapacityUnits::Unknown, 1, 0, ""},
    SiRule{unit_class::kTrueFalse, CapacityUnits::Unknown, 1, 0, ""},
};

const QString kName = QStringLiteral("name");
const QString kClass = QStringLiteral("class");
const QString kOk = QStringLiteral("ok");
const QString kFault = QStringLiteral("fault");
const QString kRaw = QStringLiteral("raw");
const QString kValue = QStringLiteral("value");
const QString kUnit = QStringLiteral("unit");
const QString kHexKey = QStringLiteral("hex");
const QString kText = QStringLiteral("text");
const QString kBytes = QStringLiteral("bytes");

}  // namespace

CapacityUnits CapacityUnitsOf(int batteryMode) {
  return (batteryMode & kCapacityModeBit) != 0 ? CapacityUnits::TenMilliwattHours
                                               : CapacityUnits::MilliampHours;
}

std::optional<SiValue> SiValueOf(const QString& unitClass, int raw, CapacityUnits mode) {
  if (unitClass == unit_class::kMinutes && raw == kNoTimeToTell) return std::nullopt;
  for (const SiRule& rule : kSiRules) {
    if (rule.unitClass != unitClass) continue;
    if (rule.mode != CapacityUnits::Unknown && rule.mode != mode) continue;
    // The offset is added in the raw scale, where 273.15 K is exact (2731.5).
    return SiValue{(raw + rule.offset * rule.divisor) / rule.divisor, QString::fromUtf8(rule.unit)};
  }
  return std::nullopt;
}

QJsonObject RegisterJson(const RowRecord& row, const RegisterCatalogue& catalogue,
                         CapacityUnits mode) {
  const QString unitClass = catalogue.UnitClass(row.row);
  QJsonObject object{{kName, catalogue.RegisterName(row.row)}, {kClass, unitClass}, {kOk, row.ok}};
  if (row.replied && row.fit != ReplyFit::Complete) {
    object[kFault] = ReplyFitWords(row.fit).toUpper();
    return object;
  }
  if (!row.ok) {
    // The fault word as `pelmor read --format json` gives it, and whatever
    // else it says of a row without a value.
    QJsonObject plain = RowJson(row, catalogue);
    plain.remove(kName);
    plain.remove(kUnit);
    plain.remove(kValue);
    for (auto it = plain.begin(); it != plain.end(); ++it) object.insert(it.key(), it.value());
    return object;
  }
  if (const std::optional<int> raw = ReplyNumber(unitClass, row.reply)) {
    object[kRaw] = *raw;
    if (unitClass == unit_class::kHex) object[kHexKey] = row.text;
    if (const std::optional<SiValue> si = SiValueOf(unitClass, *raw, mode)) {
      object[kValue] = si->value;
      if (!si->unit.isEmpty()) object[kUnit] = si->unit;
    }
  } else if (unitClass == unit_class::kBlock) {
    QJsonArray bytes;
    for (const char byte : ReplyBytes(row.reply)) bytes.append(static_cast<std::uint8_t>(byte));
    object[kBytes] = bytes;
  } else {
    object[kText] = ReplyString(row.reply);
  }
  return object;
}

QJsonObject RegisterState(const QJsonObject& registerJson, const QDateTime& start) {
  QJsonObject state{{kOk, registerJson[kOk]}, {QStringLiteral("ts"), start.toMSecsSinceEpoch()}};
  for (const QString& key : {kValue, kUnit, kRaw, kText, kBytes, kFault}) {
    if (registerJson.contains(key)) state[key] = registerJson[key];
  }
  return state;
}

QString Rfc3339(const QDateTime& time) {
  return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}
