#include "report/PackVerdict.h"

#include <algorithm>

#include "battery/RegisterBits.h"
#include "decoders/FieldConversions.h"

namespace {

constexpr std::uint16_t kOverChargedAlarm = 0x8000;
constexpr std::uint16_t kOverTempAlarm = 0x1000;
constexpr std::uint16_t kConditionFlag = 0x0080;

QString Number(double value) {
  return QString::number(value, 'f', 0);
}

void Health(const PackFigures& figures, const VerdictLimits& limits,
            std::vector<VerdictReason>& found) {
  const std::optional<double> health = HealthPercent(figures);
  if (!health) return;  // a register that did not answer says why
  const QString shown = QStringLiteral("health %1 % (FullChargeCapacity against DesignCapacity)")
                            .arg(QString::number(*health, 'f', 1));
  if (*health < limits.healthFailPercent) {
    found.push_back(
        {Grade::Fail,
         shown + QStringLiteral(" is below %1 %").arg(Number(limits.healthFailPercent))});
  } else if (*health < limits.healthCheckPercent) {
    found.push_back(
        {Grade::Check,
         shown + QStringLiteral(" is below %1 %").arg(Number(limits.healthCheckPercent))});
  } else {
    found.push_back({Grade::Pass, shown});
  }
}

void Spread(const PackFigures& figures, const VerdictLimits& limits,
            std::vector<VerdictReason>& found) {
  const std::optional<int> spread = CellSpreadMv(figures);
  if (!spread) return;
  const QString shown = QStringLiteral("cell spread %1 mV").arg(*spread);
  if (*spread > limits.spreadFailMv) {
    found.push_back(
        {Grade::Fail, shown + QStringLiteral(" is over %1 mV").arg(limits.spreadFailMv)});
  } else if (*spread > limits.spreadCheckMv) {
    found.push_back(
        {Grade::Check, shown + QStringLiteral(" is over %1 mV").arg(limits.spreadCheckMv)});
  } else {
    found.push_back({Grade::Pass, shown});
  }
}

// Every alarm bit set is a reason; over-temperature and over-charge mean the
// pack is not safe to use.
void Alarms(const PackFigures& figures, std::vector<VerdictReason>& found) {
  const std::optional<int> status = figures.Number("BatteryStatus");
  if (!status) return;
  bool anyAlarm = false;
  for (int i = 0; i < kBatteryStatusAlarmCount; ++i) {
    const BitBox& bit = BatteryStatusBits()[static_cast<std::size_t>(i)];
    if ((*status & bit.mask) == 0) continue;
    anyAlarm = true;
    const bool unsafe = (bit.mask & (kOverTempAlarm | kOverChargedAlarm)) != 0;
    found.push_back({unsafe ? Grade::Fail : Grade::Check,
                     QString::fromLatin1(bit.name) + QStringLiteral(" is set")});
  }
  const int code = *status & kErrorCodeMask;
  if (code != 0) {
    const ErrorCodeItem& item = ErrorCodes()[static_cast<std::size_t>(code)];
    found.push_back({Grade::Check,
                     QStringLiteral("error code %1 %2: %3")
                         .arg(code)
                         .arg(QString::fromLatin1(item.item), QString::fromLatin1(item.hintLine))});
  }
  if (!anyAlarm && code == 0) found.push_back({Grade::Pass, QStringLiteral("no alarm, no error")});
}

void Conditioning(const PackFigures& figures, std::vector<VerdictReason>& found) {
  const std::optional<int> mode = figures.Number("BatteryMode");
  if (!mode || (*mode & kConditionFlag) == 0) return;
  found.push_back({Grade::Check, QStringLiteral("CONDITION_FLAG is set: its capacity figures "
                                                "wait for a conditioning cycle")});
}

void Cycles(const PackFigures& figures, const VerdictLimits& limits,
            std::vector<VerdictReason>& found) {
  const std::optional<int> cycles = figures.Number("CycleCount");
  if (!cycles || !limits.ratedCycles) return;
  const QString shown =
      QStringLiteral("%1 cycles of %2 rated").arg(*cycles).arg(*limits.ratedCycles);
  found.push_back({*cycles >= *limits.ratedCycles ? Grade::Check : Grade::Pass, shown});
}

}  // namespace

QString GradeWord(Grade grade) {
  switch (grade) {
    case Grade::Pass:
      return QStringLiteral("PASS");
    case Grade::Check:
      return QStringLiteral("CHECK");
    case Grade::Fail:
      return QStringLiteral("FAIL");
  }
  return {};
}

Verdict Judge(const PackFigures& figures, const VerdictLimits& limits) {
  std::vector<VerdictReason> found;
  Health(figures, limits, found);
  Spread(figures, limits, found);
  Alarms(figures, found);
  Conditioning(figures, found);
  Cycles(figures, limits, found);
  for (const QString& name : figures.unanswered) {
    found.push_back({Grade::Check, name + QStringLiteral(" did not answer")});
  }

  Verdict verdict;
  for (const VerdictReason& reason : found) verdict.grade = std::max(verdict.grade, reason.grade);
  std::stable_sort(found.begin(), found.end(), [](const VerdictReason& a, const VerdictReason& b) {
    return a.grade > b.grade;
  });
  for (const VerdictReason& reason : found) {
    if (verdict.grade == Grade::Pass || reason.grade != Grade::Pass) {
      verdict.reasons.push_back(reason);
    }
  }
  return verdict;
}
