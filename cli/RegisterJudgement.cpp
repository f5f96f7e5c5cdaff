#include "cli/RegisterJudgement.h"

#include <algorithm>
#include <cstdlib>

#include "battery/ReplyFit.h"
#include "battery/UnitClass.h"
#include "decoders/FieldConversions.h"

namespace {

constexpr const char* kSpecificationInfo = "SpecificationInfo";
constexpr const char* kVoltage = "Voltage";
constexpr const char* kManufacturerName = "ManufacturerName";
constexpr const char* kDeviceName = "DeviceName";

// A pack of one cell deeply discharged to sixteen cells fully charged.
constexpr long kLowestPackMv = 2000;
constexpr long kHighestPackMv = 70000;
// Two voltage readings a moment apart agree within 100 mV or 2 %.
constexpr long kVoltageAgreementMv = 100;
constexpr long kVoltageAgreementPercent = 2;

const RegisterFacts* Find(const ProbeFacts& facts, const char* name) {
  for (const RegisterFacts& reg : facts.registers) {
    if (reg.name == QLatin1String(name)) return &reg;
  }
  return nullptr;
}

bool Whole(const RowRecord& reading) {
  return reading.replied && reading.fit == ReplyFit::Complete;
}

// Two readings came to the same: the same fault, or the same bytes.
bool SameOutcome(const RowRecord& first, const RowRecord& second) {
  if (first.replied != second.replied || first.fault != second.fault) return false;
  return first.length == second.length &&
         std::equal(first.reply.begin(), first.reply.begin() + first.length, second.reply.begin());
}

// The register's word; 0 for a reading that brought no whole word.
long WordOf(const RegisterFacts& reg, const RowRecord& reading) {
  return Whole(reading) ? ReplyNumber(reg.unitClass, reading.reply).value_or(0) : 0;
}

// "12285 mV", "NACK", "\"NV3S4400\"": what the person sees of a reading.
QString Shown(const RegisterFacts& reg, const RowRecord& reading) {
  if (!reading.reached) return QStringLiteral("not reached");
  return Whole(reading) && reg.unitClass == unit_class::kMillivolts
             ? reading.text + QStringLiteral(" mV")
             : reading.text;
}

// "12285 mV twice", "12285 mV, then 16381 mV", "NACK, then 12285 mV".
QString BothReadings(const RegisterFacts& reg) {
  if (SameOutcome(reg.readings[0], reg.readings[1])) {
    return Shown(reg, reg.readings[0]) + QStringLiteral(" twice");
  }
  return Shown(reg, reg.readings[0]) + QStringLiteral(", then ") + Shown(reg, reg.readings[1]);
}

SpecInfoSelection SpecInfoOf(const RegisterFacts& reg) {
  return SpecInfoFromWord(static_cast<std::int32_t>(WordOf(reg, reg.readings[0])));
}

// A scaling nibble's factor, 10 to its power; 1 for a nibble without one.
long ScaleFactor(int nibble) {
  long factor = 1;
  for (int i = 0; i < nibble; ++i) factor *= 10;
  return factor;
}

long VoltageScale(const ProbeFacts& facts) {
  const RegisterFacts* info = Find(facts, kSpecificationInfo);
  if (info == nullptr || !Whole(info->readings[0])) return 1;
  return ScaleFactor(SpecInfoOf(*info).vScale);
}

// A reply cut short or over-long, in the words every output uses for it.
RegisterJudgement JudgeBadReply(const RegisterFacts& reg, const RowRecord& reading) {
  RegisterJudgement judged{BothReadings(reg)};
  judged.badReply = true;
  judged.shortText = reg.unitClass == unit_class::kString && reading.fit == ReplyFit::CutShort;
  judged.problem = QStringLiteral("%1 (%2)").arg(
      ReplyFitWords(reading.fit), ReplyFitDetail(reg.unitClass, reading.reply, reading.length));
  return judged;
}

RegisterJudgement JudgeSpecificationInfo(const RegisterFacts& reg) {
  RegisterJudgement judged{BothReadings(reg)};
  if (!SameOutcome(reg.readings[0], reg.readings[1])) {
    judged.change = judged.summary;
    return judged;
  }
  const SpecInfoSelection info = SpecInfoOf(reg);
  const bool valid = info.revision == 1 && info.version >= 0 && info.version <= 2 &&
                     info.vScale >= 0 && info.ipScale >= 0;
  if (!valid) {
    judged.problem =
        QStringLiteral("%1 names no valid version and scaling").arg(reg.readings[0].text);
    return judged;
  }
  static constexpr const char* kVersions[] = {"1.0", "1.1", "1.1 with PEC"};
  judged.summary += QStringLiteral(": version %1, voltage x%2, current x%3")
                        .arg(QLatin1String(kVersions[info.version]))
                        .arg(ScaleFactor(info.vScale))
                        .arg(ScaleFactor(info.ipScale));
  return judged;
}

RegisterJudgement JudgeVoltage(const RegisterFacts& reg, long scale) {
  RegisterJudgement judged{BothReadings(reg)};
  const long first = WordOf(reg, reg.readings[0]) * scale;
  const long second = WordOf(reg, reg.readings[1]) * scale;
  for (const long mv : {first, second}) {
    if (mv < kLowestPackMv || mv > kHighestPackMv) {
      judged.problem = QStringLiteral("%1 mV is outside a pack's %2 to %3 mV")
                           .arg(mv)
                           .arg(kLowestPackMv)
                           .arg(kHighestPackMv);
      return judged;
    }
  }
  const long allowed = std::max(kVoltageAgreementMv, first * kVoltageAgreementPercent / 100);
  if (std::labs(first - second) > allowed) judged.change = judged.summary;
  return judged;
}

}  // namespace

bool Answered(const RegisterFacts& reg) {
  return reg.readings[0].replied && reg.readings[1].replied;
}

RegisterJudgement JudgeRegister(const ProbeFacts& facts, const RegisterFacts& reg) {
  if (!Answered(reg)) {
    RegisterJudgement judged{BothReadings(reg)};
    judged.problem = QStringLiteral("not answered (%1)").arg(judged.summary);
    if (reg.readings[0].replied != reg.readings[1].replied) judged.change = judged.summary;
    return judged;
  }
  for (const RowRecord& reading : reg.readings) {
    if (reading.fit != ReplyFit::Complete) return JudgeBadReply(reg, reading);
  }
  if (reg.name == QLatin1String(kSpecificationInfo)) return JudgeSpecificationInfo(reg);
  if (reg.name == QLatin1String(kVoltage)) return JudgeVoltage(reg, VoltageScale(facts));
  RegisterJudgement judged{BothReadings(reg)};
  if (!SameOutcome(reg.readings[0], reg.readings[1])) judged.change = judged.summary;
  return judged;
}

bool ReadsAsABattery(const ProbeFacts& facts) {
  if (facts.registers.empty() || !facts.linkFailure.isEmpty()) return false;
  return std::all_of(facts.registers.begin(), facts.registers.end(), [&](const RegisterFacts& reg) {
    const RegisterJudgement judged = JudgeRegister(facts, reg);
    return judged.problem.isEmpty() && judged.change.isEmpty();
  });
}

QString Identity(const ProbeFacts& facts) {
  QStringList parts;
  for (const char* name : {kManufacturerName, kDeviceName}) {
    if (const RegisterFacts* reg = Find(facts, name)) parts << ReplyString(reg->readings[0].reply);
  }
  QString identity = parts.join(QLatin1Char(' '));
  if (const RegisterFacts* voltage = Find(facts, kVoltage)) {
    identity += QStringLiteral(", %1 V").arg(
        WordOf(*voltage, voltage->readings[0]) * VoltageScale(facts) / 1000.0, 0, 'f', 2);
  }
  return identity;
}
