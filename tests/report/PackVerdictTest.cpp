// The verdict's rules, one case a row: the figures a pack gave, the limits,
// and the grade with the reasons it must give.
#include <gtest/gtest.h>

#include "report/PackVerdict.h"
#include "tests/support/QtPrinters.h"

namespace {

// A sound pack: 95 % health, cells within 10 mV, no alarm, no error.
PackFigures Sound() {
  PackFigures f;
  f.numbers = {{"FullChargeCapacity", 4180}, {"DesignCapacity", 4400}, {"BatteryStatus", 0x00C0},
               {"BatteryMode", 0x0000},      {"CycleCount", 300},      {"CellVoltage1", 3900},
               {"CellVoltage2", 3895},       {"CellVoltage3", 3890}};
  return f;
}

PackFigures With(std::map<QString, int> changes, QStringList unanswered = {}) {
  PackFigures f = Sound();
  for (const auto& [name, value] : changes) f.numbers[name] = value;
  f.unanswered = unanswered;
  return f;
}

PackFigures OneCell() {
  PackFigures f = Sound();
  f.numbers.erase(QStringLiteral("CellVoltage2"));
  f.numbers.erase(QStringLiteral("CellVoltage3"));
  f.numbers[QStringLiteral("CellVoltage1")] = 3000;
  return f;
}

struct Case {
  const char* what;
  PackFigures figures;
  VerdictLimits limits;
  Grade grade;
  std::vector<QString> reasons;  // of the grade, in this order
};

TEST(PackVerdict, EachRuleGradesAtItsLimit) {
  const VerdictLimits defaults;
  VerdictLimits strict;
  strict.healthCheckPercent = 90;
  strict.spreadCheckMv = 5;
  strict.ratedCycles = 300;
  const Case cases[] = {
      {"a sound pack",
       Sound(),
       defaults,
       Grade::Pass,
       {"health 95.0 % (FullChargeCapacity against DesignCapacity)", "cell spread 10 mV",
        "no alarm, no error"}},
      {"health at 80 % exactly", With({{"FullChargeCapacity", 3520}}), defaults, Grade::Pass, {}},
      {"health just below 80 %",
       With({{"FullChargeCapacity", 3519}}),
       defaults,
       Grade::Check,
       {"health 79.9 % (FullChargeCapacity against DesignCapacity) is below 80 %"}},
      {"health below 60 %",
       With({{"FullChargeCapacity", 2600}}),
       defaults,
       Grade::Fail,
       {"health 59.0 % (FullChargeCapacity against DesignCapacity) is below 60 %"}},
      {"spread of 50 mV", With({{"CellVoltage3", 3850}}), defaults, Grade::Pass, {}},
      {"spread of 51 mV",
       With({{"CellVoltage3", 3849}}),
       defaults,
       Grade::Check,
       {"cell spread 51 mV is over 50 mV"}},
      {"spread of 120 mV",
       With({{"CellVoltage3", 3780}}),
       defaults,
       Grade::Fail,
       {"cell spread 120 mV is over 100 mV"}},
      {"one cell: no spread to judge",
       OneCell(),
       defaults,
       Grade::Pass,
       {"health 95.0 % (FullChargeCapacity against DesignCapacity)", "no alarm, no error"}},
      {"remaining capacity alarm",
       With({{"BatteryStatus", 0x02C0}}),
       defaults,
       Grade::Check,
       {"REMAINING_CAPACITY_ALARM is set"}},
      {"over-temperature alarm",
       With({{"BatteryStatus", 0x10C0}}),
       defaults,
       Grade::Fail,
       {"OVER_TEMP_ALARM is set"}},
      {"over-charge and terminate-charge",
       With({{"BatteryStatus", 0xC0C0}}),
       defaults,
       Grade::Fail,
       {"OVER_CHARGED_ALARM is set", "TERMINATE_CHARGE_ALARM is set"}},
      {"an error code",
       With({{"BatteryStatus", 0x00C3}}),
       defaults,
       Grade::Check,
       {"error code 3 UnsupportedCommand: Unsupported function."}},
      {"conditioning asked for",
       With({{"BatteryMode", 0x0080}}),
       defaults,
       Grade::Check,
       {"CONDITION_FLAG is set: its capacity figures wait for a conditioning cycle"}},
      {"a register silent",
       With({}, {"Temperature"}),
       defaults,
       Grade::Check,
       {"Temperature did not answer"}},
      {"stricter limits",
       Sound(),
       strict,
       Grade::Check,
       {"cell spread 10 mV is over 5 mV", "300 cycles of 300 rated"}},
      {"the worst grade leads",
       With({{"CellVoltage3", 3700}, {"BatteryStatus", 0x02C0}}),
       defaults,
       Grade::Fail,
       {"cell spread 200 mV is over 100 mV", "REMAINING_CAPACITY_ALARM is set"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Verdict verdict = Judge(c.figures, c.limits);
    EXPECT_EQ(GradeWord(verdict.grade), GradeWord(c.grade));
    if (c.reasons.empty()) continue;
    std::vector<QString> texts;
    for (const VerdictReason& reason : verdict.reasons) texts.push_back(reason.text);
    if (c.grade == Grade::Pass) {
      EXPECT_EQ(texts, c.reasons);
    } else {
      std::vector<QString> ofGrade;
      for (const VerdictReason& reason : verdict.reasons) {
        if (reason.grade != Grade::Pass) ofGrade.push_back(reason.text);
      }
      EXPECT_EQ(ofGrade, c.reasons);
    }
  }
}

}  // namespace
