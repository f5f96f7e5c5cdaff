// The verdict of each step of a probe, from its facts.
#include <QStringList>

#include "cli/ProbeJudgement.h"
#include "cli/RegisterJudgement.h"

namespace {

using probe_text::Hex2;
using probe_text::Text;

ProbeStep AdapterStep(const ProbeFacts& facts) {
  ProbeStep step{QStringLiteral("adapter")};
  for (const ProbedAdapter& adapter : facts.adapters) {
    if (facts.chosen && adapter.port == facts.chosen->port) continue;
    step.details << QStringLiteral("also seen: %1 = %2, %3 (%4)%5")
                        .arg(adapter.port)
                        .arg(Text(adapter.device), Text(adapter.name), Text(adapter.attachment),
                             adapter.leftOut.empty()
                                 ? QString()
                                 : QStringLiteral(": ") + Text(adapter.leftOut));
  }
  if (!facts.chosen) {
    step.verdict = StepVerdict::Failed;
    step.text = !facts.openFailure.empty() ? Text(facts.openFailure)
                : facts.adapters.empty()   ? QStringLiteral("no I2C adapter is seen at all")
                                           : QStringLiteral("none is listed");
    return step;
  }
  const ProbedAdapter& chosen = *facts.chosen;
  step.text = QStringLiteral("%1 = %2, %3 (%4)")
                  .arg(chosen.port)
                  .arg(Text(chosen.device), Text(chosen.name), Text(chosen.attachment));
  const std::string why = !chosen.leftOut.empty() ? chosen.leftOut : facts.openFailure;
  if (!why.empty()) {
    step.verdict = StepVerdict::Failed;
    step.text += QStringLiteral(": ") + Text(why);
  }
  return step;
}

ProbeStep FunctionsStep(const ProbeFacts& facts) {
  ProbeStep step{QStringLiteral("functions")};
  if (!facts.chosen->functions) {
    step.verdict = StepVerdict::Failed;
    step.text = QStringLiteral("the adapter does not tell what it can do (I2C_FUNCS)");
    return step;
  }
  const AdapterFunctions& functions = *facts.chosen->functions;
  QStringList offered;
  QStringList missing;
  (functions.readWord && functions.writeWord ? offered : missing) << QStringLiteral("word");
  if (functions.blockRead.empty()) {
    missing << QStringLiteral("block");
  } else {
    offered << QStringLiteral("block (%1)").arg(Text(functions.blockRead));
  }
  (functions.receiveByte ? offered : missing) << QStringLiteral("byte read");
  (functions.pec ? offered : missing) << QStringLiteral("PEC");
  step.text = offered.join(QStringLiteral(", "));
  if (!missing.isEmpty())
    step.text += QStringLiteral("; no ") + missing.join(QStringLiteral(", no "));
  if (!functions.unusable.empty()) {
    step.verdict = StepVerdict::Failed;
    step.text += QStringLiteral(": unusable, ") + Text(functions.unusable);
  } else if (!functions.receiveByte) {
    step.verdict = StepVerdict::Warning;
    step.text += QStringLiteral(": no read-only touch, so no sweep");
  }
  return step;
}

// A Smart Battery is specified for an SMBus clock of at most 100 kHz.
constexpr int kSmbusHighestHertz = 100'000;

QString KilohertzText(int hertz) {
  return QStringLiteral("%1 kHz").arg(QString::number(hertz / 1000.0, 'g', 6));
}

ProbeStep ClockStep(const BusClock& clock) {
  ProbeStep step{QStringLiteral("bus clock")};
  for (const std::string& remedy : clock.remedies) step.details << Text(remedy);
  if (!clock.hertz) {
    step.verdict = StepVerdict::Skipped;
    step.text = QStringLiteral("not known: ") + Text(clock.source);
    return step;
  }
  step.text = QStringLiteral("%1 (%2)").arg(KilohertzText(*clock.hertz), Text(clock.source));
  if (*clock.hertz > kSmbusHighestHertz) {
    step.verdict = StepVerdict::Warning;
    step.text += QStringLiteral(": above the %1 a Smart Battery is specified for")
                     .arg(KilohertzText(kSmbusHighestHertz));
  }
  return step;
}

ProbeStep DriverStep(const ProbeFacts& facts) {
  ProbeStep step{QStringLiteral("kernel driver")};
  if (!facts.holder) {
    step.text = QStringLiteral("none holds %1").arg(AddressText(facts.address));
    return step;
  }
  step.verdict = StepVerdict::Failed;
  step.text = QStringLiteral("%1 holds %2: the address is refused (EBUSY)")
                  .arg(Text(facts.holder->driver), AddressText(facts.address));
  for (const std::string& command : facts.holder->release) step.details << Text(command);
  return step;
}

ProbeStep SweepStep(const ProbeFacts& facts) {
  const SweepFacts& sweep = facts.sweep;
  ProbeStep step{QStringLiteral("sweep")};
  if (!sweep.done) {
    step.verdict = StepVerdict::Skipped;
    step.text = QStringLiteral("the adapter has no read that leaves a device as it was");
    return step;
  }
  const QString range =
      QStringLiteral("0x%1-0x%2").arg(Hex2(kFirstSweptAddress), Hex2(kLastSweptAddress));
  step.text = sweep.acknowledged.empty() ? QStringLiteral("nothing acknowledges in %1").arg(range)
                                         : AddressesAcknowledge(sweep.acknowledged);
  QStringList noted;
  if (sweep.cutShort) {
    noted << QStringLiteral("stopped after %1 time-outs in a row").arg(kTimeoutsThatEndASweep);
  } else if (sweep.timeouts > 0) {
    noted << QStringLiteral("%1 time-outs").arg(sweep.timeouts);
  }
  if (sweep.busErrors > 0) noted << QStringLiteral("%1 bus errors").arg(sweep.busErrors);
  if (!noted.isEmpty()) step.text += QStringLiteral("; ") + noted.join(QStringLiteral(", "));
  step.text +=
      QStringLiteral(" (%1 addresses in %2 s)").arg(sweep.touched).arg(sweep.seconds, 0, 'f', 3);
  for (const auto& [address, driver] : sweep.held) {
    step.details << QStringLiteral("%1 is held by the kernel driver %2")
                        .arg(AddressText(address), Text(driver));
  }
  if (sweep.acknowledged.empty()) {
    step.verdict = StepVerdict::Failed;
  } else if (!Acknowledged(sweep, facts.address) || sweep.cutShort || sweep.timeouts > 0 ||
             sweep.busErrors > 0) {
    step.verdict = StepVerdict::Warning;
  }
  return step;
}

ProbeStep RegisterStep(const ProbeFacts& facts, const RegisterFacts& reg) {
  const RegisterJudgement judged = JudgeRegister(facts, reg);
  ProbeStep step{reg.name};
  step.text = judged.summary;
  if (!judged.problem.isEmpty()) {
    step.verdict = StepVerdict::Failed;
    if (!Answered(reg) || judged.badReply)
      step.text += QStringLiteral(": ") + judged.problem;
    else
      step.text = judged.problem;
  } else if (!judged.change.isEmpty()) {
    step.verdict = StepVerdict::Failed;
    step.text += QStringLiteral(": the two readings differ");
  }
  return step;
}

}  // namespace

std::vector<ProbeStep> JudgeSteps(const ProbeFacts& facts) {
  std::vector<ProbeStep> steps{AdapterStep(facts)};
  if (!facts.chosen || !facts.chosen->leftOut.empty() || !facts.openFailure.empty()) return steps;
  const ProbeStep functions = FunctionsStep(facts);
  steps.push_back(functions);
  if (facts.clock) steps.push_back(ClockStep(*facts.clock));
  if (functions.verdict == StepVerdict::Failed) return steps;
  steps.push_back(DriverStep(facts));
  if (facts.holder) return steps;
  steps.push_back(SweepStep(facts));
  if (!facts.linkFailure.isEmpty()) {
    steps.push_back({QStringLiteral("registers"), StepVerdict::Failed,
                     QStringLiteral("the link did not open: ") + facts.linkFailure});
  }
  if (!facts.readAt) {
    steps.push_back({QStringLiteral("registers"), StepVerdict::Skipped,
                     QStringLiteral("nothing to read: no device answers")});
    return steps;
  }
  for (const RegisterFacts& reg : facts.registers) steps.push_back(RegisterStep(facts, reg));
  return steps;
}
