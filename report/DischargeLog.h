#pragma once

#include <QPointF>
#include <QString>
#include <optional>
#include <vector>

#include "chart/Discharge.h"
#include "report/PackFigures.h"
#include "report/PackReport.h"

// A log Pelmor wrote, read back for a pack's report: what the pack
// delivered (charge and energy integrated from its Current and Voltage) and
// its discharge curve, voltage against the charge delivered so far.
struct DischargeLog {
  QString path;
  DischargeTotals totals;
  std::vector<QPointF> curve;  // x: mAh delivered, y: volts
};

// The log, or why it cannot be read as one (the system's error, or what
// makes it no log).
struct DischargeLogReading {
  std::optional<DischargeLog> log;
  QString error;
};
DischargeLogReading ReadDischargeLog(const QString& path);

// The report's section for it: the charge and energy delivered, against the
// pack's own RemainingCapacity drop over the log, its FullChargeCapacity
// and DesignCapacity; or why the log is no discharge to judge by.
ReportSection DischargeSection(const DischargeLog& log, const PackFigures& figures);
