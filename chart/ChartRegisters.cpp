#include "chart/ChartRegisters.h"

#include <array>

#include "battery/OptionalRegisters.h"

namespace {

const std::array<RegisterDefinition, kChartRowCount>& Rows() {
  static const auto rows = [] {
    std::array<RegisterDefinition, kChartRowCount> all{};
    for (int row = 0; row < kRegisterRowCount; ++row) all[row] = RegisterTable()[row];
    int row = kFirstOptionalRow;
    for (const RegisterDefinition& def : OptionalRegisters()) all[row++] = def;
    for (int code = 0; code < 256; ++code) {
      all[kFirstNumberedRow + code] = NumberedRegister(static_cast<std::uint8_t>(code));
    }
    return all;
  }();
  return rows;
}

}  // namespace

bool IsChartRow(int row) {
  return row >= 0 && row < kChartRowCount && Rows()[row].registerName != nullptr;
}

const RegisterDefinition& ChartRegister(int row) {
  return Rows()[row];
}

std::optional<int> ChartRowNamed(const QString& name) {
  for (int row = 0; row < kChartRowCount; ++row) {
    if (IsChartRow(row) &&
        name.compare(QLatin1String(Rows()[row].registerName), Qt::CaseInsensitive) == 0) {
      return row;
    }
  }
  return std::nullopt;
}

QStringList ChartRegisterNames() {
  QStringList names;
  for (int row = 0; row < kFirstNumberedRow; ++row) {
    if (IsChartRow(row)) names << QLatin1String(Rows()[row].registerName);
  }
  return names;
}
