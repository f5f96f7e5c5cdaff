#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

#include "battery/RegisterCatalogue.h"
#include "scan/RowRecord.h"

// What one read of a pack brought back for its report: each register that
// answered, by its name, as a number (a word; voltages, currents and
// capacities scaled as SpecificationInfo says) or a text (a string), and the
// registers the report needs that did not answer. The optional registers
// (the cells' voltages, StateOfHealth) are left out where a pack has none;
// their silence is no fault.
struct PackFigures {
  std::map<QString, int> numbers;
  std::map<QString, QString> texts;
  QStringList unanswered;

  std::optional<int> Number(const char* name) const;
  std::optional<QString> Text(const char* name) const;
};

// The window's rows the report reads, in row order, and the optional
// registers read after them.
std::vector<int> ReportRows();
std::vector<RegisterDefinition> ReportExtraRows();

// The figures of a pass over ReportRows() and ReportExtraRows().
PackFigures FiguresOf(const std::vector<RowRecord>& rows, const RegisterCatalogue& catalogue);

// The factors SpecificationInfo's scaling nibbles give the pack's voltages
// and its currents and capacities: 1, 10, 100 or 1000.
int VoltageScaling(int specificationInfo);
int CurrentScaling(int specificationInfo);

// FullChargeCapacity against DesignCapacity, in percent to a tenth, rounded down.
std::optional<double> HealthPercent(const PackFigures& figures);
// The cells' voltages that answered, CellVoltage1 first.
std::vector<std::pair<QString, int>> CellVoltages(const PackFigures& figures);
// The highest cell voltage less the lowest, where two cells or more answered.
std::optional<int> CellSpreadMv(const PackFigures& figures);
// The capacity unit BatteryMode's CAPACITY_MODE bit says: "mAh" or "10 mWh".
QString CapacityUnit(const PackFigures& figures);
