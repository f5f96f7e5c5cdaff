#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "battery/RegisterTable.h"

// Every register a log can have a column for, each as a row: the window's
// 33 (rows 0 to 32), then the optional ones that `pelmor read` reads by name,
// then those it reads by number ("0x3C"), at kFirstNumberedRow + the code.
inline constexpr int kFirstOptionalRow = kRegisterRowCount;
inline constexpr int kFirstNumberedRow = 64;
inline constexpr int kChartRowCount = kFirstNumberedRow + 256;

bool IsChartRow(int row);
// The register of a row for which IsChartRow holds.
const RegisterDefinition& ChartRegister(int row);
// The row of a register named as in the log's header, in any letter case.
std::optional<int> ChartRowNamed(const QString& name);
// The names of the window's registers and the optional ones, in row order.
QStringList ChartRegisterNames();
