#pragma once

#include <QTextStream>
#include <vector>

#include "cli/ProbeFacts.h"
#include "cli/ProbeJudgement.h"

// Prints a probe's steps and conclusion: as text, a line a step with its
// verdict and then the conclusion in words; or as one JSON object with the
// same facts for a script.
void PrintProbeText(QTextStream& out, const std::vector<ProbeStep>& steps,
                    const ProbeConclusion& conclusion);
void PrintProbeJson(QTextStream& out, const ProbeFacts& facts, const std::vector<ProbeStep>& steps,
                    const ProbeConclusion& conclusion);
