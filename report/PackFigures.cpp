#include "report/PackFigures.h"

#include <algorithm>
#include <cmath>

#include "battery/OptionalRegisters.h"
#include "battery/RegisterBits.h"
#include "battery/RegisterNames.h"
#include "battery/UnitClass.h"
#include "battery/ValueCodec.h"
#include "decoders/FieldConversions.h"

namespace {

constexpr const char* kReportRegisters[] = {
    "BatteryMode",      "Temperature",      "Voltage",           "Current",
    "RelStateOfCharge", "AbsStateOfCharge", "RemainingCapacity", "FullChargeCapacity",
    "ChargingCurrent",  "ChargingVoltage",  "BatteryStatus",     "CycleCount",
    "DesignCapacity",   "DesignVoltage",    "SpecificationInfo", "ManufactureDate",
    "SerialNumber",     "ManufacturerName", "DeviceName",        "DeviceChemistry",
};

// A scaling nibble's factor, 10 to its power; 1 for a nibble without one.
int ScaleFactor(int nibble) {
  int factor = 1;
  for (int i = 0; i < nibble; ++i) factor *= 10;
  return factor;
}

bool IsOptional(const QString& name) {
  return std::any_of(
      OptionalRegisters().begin(), OptionalRegisters().end(),
      [&](const RegisterDefinition& def) { return name == QLatin1String(def.registerName); });
}

}  // namespace

std::optional<int> PackFigures::Number(const char* name) const {
  const auto found = numbers.find(QString::fromLatin1(name));
  if (found == numbers.end()) return std::nullopt;
  return found->second;
}

std::optional<QString> PackFigures::Text(const char* name) const {
  const auto found = texts.find(QString::fromLatin1(name));
  if (found == texts.end()) return std::nullopt;
  return found->second;
}

std::vector<int> ReportRows() {
  std::vector<int> rows;
  for (const char* name : kReportRegisters) rows.push_back(*RowNamed(QString::fromLatin1(name)));
  std::sort(rows.begin(), rows.end());
  for (std::size_t i = 0; i < ReportExtraRows().size(); ++i) {
    rows.push_back(kRegisterRowCount + static_cast<int>(i));
  }
  return rows;
}

std::vector<RegisterDefinition> ReportExtraRows() {
  return {OptionalRegisters().begin(), OptionalRegisters().end()};
}

// The pack reports voltages and currents (and capacities with them) divided
// by 10 to the power SpecificationInfo's scaling nibbles give.
void Scale(PackFigures& figures) {
  const std::optional<int> info = figures.Number("SpecificationInfo");
  if (!info) return;
  const int voltage = VoltageScaling(*info);
  const int current = CurrentScaling(*info);
  for (auto& [name, number] : figures.numbers) {
    if (name.contains(QStringLiteral("Voltage"))) number *= voltage;
    if (name.contains(QStringLiteral("Current")) || name.contains(QStringLiteral("Capacity"))) {
      number *= current;
    }
  }
}

PackFigures FiguresOf(const std::vector<RowRecord>& rows, const RegisterCatalogue& catalogue) {
  PackFigures figures;
  for (const RowRecord& row : rows) {
    const QString name = catalogue.RegisterName(row.row);
    const QString unit = catalogue.UnitClass(row.row);
    if (!row.ok) {
      if (!IsOptional(name)) figures.unanswered << name;
    } else if (const std::optional<int> number = ReplyNumber(unit, row.reply)) {
      figures.numbers[name] = *number;
    } else if (unit == unit_class::kString) {
      figures.texts[name] = ReplyString(row.reply);
    }
  }
  Scale(figures);
  return figures;
}

int VoltageScaling(int specificationInfo) {
  return ScaleFactor(SpecInfoFromWord(specificationInfo).vScale);
}

int CurrentScaling(int specificationInfo) {
  return ScaleFactor(SpecInfoFromWord(specificationInfo).ipScale);
}

std::optional<double> HealthPercent(const PackFigures& figures) {
  const std::optional<int> full = figures.Number("FullChargeCapacity");
  const std::optional<int> design = figures.Number("DesignCapacity");
  if (!full || !design || *design == 0) return std::nullopt;
  // To a tenth of a percent, rounded down: what is shown is what is judged.
  return std::floor(1000.0 * *full / *design) / 10;
}

std::vector<std::pair<QString, int>> CellVoltages(const PackFigures& figures) {
  std::vector<std::pair<QString, int>> cells;
  for (const char* name : {"CellVoltage1", "CellVoltage2", "CellVoltage3", "CellVoltage4"}) {
    if (const std::optional<int> mv = figures.Number(name)) {
      cells.emplace_back(QString::fromLatin1(name), *mv);
    }
  }
  return cells;
}

std::optional<int> CellSpreadMv(const PackFigures& figures) {
  const auto cells = CellVoltages(figures);
  if (cells.size() < 2) return std::nullopt;
  const auto [low, high] = std::minmax_element(
      cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  return high->second - low->second;
}

QString CapacityUnit(const PackFigures& figures) {
  const std::optional<int> mode = figures.Number("BatteryMode");
  if (!mode) return QStringLiteral("mAh or 10 mWh");
  return (*mode & kCapacityModeBit) != 0 ? QStringLiteral("10 mWh") : QStringLiteral("mAh");
}
