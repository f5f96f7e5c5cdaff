#include "chart/PassEvents.h"

#include <algorithm>

#include "battery/RegisterTable.h"

namespace {

constexpr int kBatteryStatusRow = 22;

struct AlarmBit {
  uint mask;
  const char* name;
};
constexpr AlarmBit kAlarms[] = {
    {0x8000, "OVER_CHARGED_ALARM"},       {0x4000, "TERMINATE_CHARGE_ALARM"},
    {0x1000, "OVER_TEMP_ALARM"},          {0x0800, "TERMINATE_DISCHARGE_ALARM"},
    {0x0200, "REMAINING_CAPACITY_ALARM"}, {0x0100, "REMAINING_TIME_ALARM"},
};

std::optional<uint> WordOf(const ChartPass& pass, int row) {
  for (const ChartReading& reading : pass.readings) {
    if (reading.row != row || reading.givenUp || reading.text.size() != 4) continue;
    bool ok = false;
    const uint word = reading.text.toUInt(&ok, 16);
    if (ok) return word;
  }
  return std::nullopt;
}

}  // namespace

void PassEvents::Add(qint64 x, qint64 wallMs, QString text) {
  ++count_;
  if (events_.size() < kMostKept) events_.push_back({x, wallMs, std::move(text)});
}

void PassEvents::Take(qint64 x, qint64 wallMs, const ChartPass& pass) {
  if (const std::optional<uint> status = WordOf(pass, kBatteryStatusRow)) {
    if (status_) {
      for (const AlarmBit& alarm : kAlarms) {
        const bool was = (*status_ & alarm.mask) != 0;
        const bool is = (*status & alarm.mask) != 0;
        if (was != is) {
          Add(x, wallMs,
              QStringLiteral("%1 %2").arg(QLatin1String(alarm.name),
                                          is ? QStringLiteral("set") : QStringLiteral("cleared")));
        }
      }
    }
    status_ = status;
  }
  if (const std::optional<uint> mode = WordOf(pass, kBatteryModeRow)) {
    if (mode_ && *mode != *mode_) {
      Add(x, wallMs,
          QStringLiteral("BatteryMode %1 to %2")
              .arg(QString::number(*mode_, 16).rightJustified(4, QLatin1Char('0')).toUpper(),
                   QString::number(*mode, 16).rightJustified(4, QLatin1Char('0')).toUpper()));
    }
    mode_ = mode;
  }
  const bool failed = std::any_of(pass.readings.begin(), pass.readings.end(),
                                  [](const ChartReading& reading) { return reading.givenUp; });
  if (failed && !lastPassFailed_) Add(x, wallMs, QStringLiteral("registers given up"));
  lastPassFailed_ = failed;
}
