#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "report/PackFigures.h"

// Whether a pack is good: PASS, CHECK (look at it before it goes back into
// service) or FAIL, with the reasons.
enum class Grade { Pass, Check, Fail };

QString GradeWord(Grade grade);  // "PASS", "CHECK", "FAIL"

// The limits a person may set; the defaults are argued in the README.
struct VerdictLimits {
  double healthCheckPercent = 80;  // health below this is CHECK
  double healthFailPercent = 60;   // and below this FAIL
  int spreadCheckMv = 50;          // a cell spread over this is CHECK
  int spreadFailMv = 100;          // and over this FAIL
  std::optional<int> ratedCycles;  // a cycle count at or beyond it is CHECK
};

struct VerdictReason {
  Grade grade;
  QString text;
};

struct Verdict {
  Grade grade = Grade::Pass;
  // The findings that made the grade, the worst first; for a PASS what was
  // found good.
  std::vector<VerdictReason> reasons;
};

Verdict Judge(const PackFigures& figures, const VerdictLimits& limits);
