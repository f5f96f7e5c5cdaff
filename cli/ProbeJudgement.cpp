#include "cli/ProbeJudgement.h"

#include <algorithm>
#include <cstdlib>

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

constexpr std::uint8_t kChargerAddress = 0x09;
constexpr std::uint8_t kSelectorAddress = 0x0A;
constexpr std::uint8_t kBatteryAddress = 0x0B;

QString Hex2(unsigned value) {
  return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

const RegisterFacts* Find(const ProbeFacts& facts, const char* name) {
  for (const RegisterFacts& reg : facts.registers) {
    if (reg.name == QLatin1String(name)) return &reg;
  }
  return nullptr;
}

bool Answered(const RegisterFacts& reg) {
  return reg.readings[0].ok && reg.readings[1].ok;
}

// "12285 mv twice", "12285 mv, then 16381 mv", "NACK, then 12285 mv".
QString BothReadings(const RegisterFacts& reg) {
  const auto shown = [&](const RegisterFacts::Reading& reading) {
    return reading.ok && reg.unitClass == QLatin1String("mv") ? reading.text + QStringLiteral(" mV")
                                                              : reading.text;
  };
  if (reg.readings[0].text == reg.readings[1].text && reg.readings[0].ok == reg.readings[1].ok) {
    return shown(reg.readings[0]) + QStringLiteral(" twice");
  }
  return shown(reg.readings[0]) + QStringLiteral(", then ") + shown(reg.readings[1]);
}

SpecInfoSelection SpecInfoOf(const RegisterFacts::Reading& reading) {
  return SpecInfoFromWord(static_cast<std::int32_t>(reading.text.toUInt(nullptr, 16)));
}

// What one register's two readings say. Problem and change are empty when
// the readings make sense and agree.
struct RegisterJudgement {
  QString summary = {};  // the readings and what they mean
  QString problem = {};  // why they make no sense
  QString change = {};   // how they differ
  bool shortText = false;
};

// A scaling nibble's factor, 10 to its power; 1 for a nibble without one.
long ScaleFactor(int nibble) {
  long factor = 1;
  for (int i = 0; i < nibble; ++i) factor *= 10;
  return factor;
}

long VoltageScale(const ProbeFacts& facts) {
  const RegisterFacts* info = Find(facts, kSpecificationInfo);
  if (info == nullptr || !info->readings[0].ok) return 1;
  return ScaleFactor(SpecInfoOf(info->readings[0]).vScale);
}

RegisterJudgement JudgeSpecificationInfo(const RegisterFacts& reg) {
  RegisterJudgement judged{BothReadings(reg)};
  if (reg.readings[0].text != reg.readings[1].text) {
    judged.change = judged.summary;
    return judged;
  }
  const SpecInfoSelection info = SpecInfoOf(reg.readings[0]);
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

RegisterJudgement JudgeString(const RegisterFacts& reg) {
  RegisterJudgement judged{BothReadings(reg)};
  for (const RegisterFacts::Reading& reading : reg.readings) {
    const qsizetype characters = reading.text.size() - 2;  // within the quotes
    if (reading.count <= 0 || characters < reading.count) {
      judged.shortText = true;
      judged.problem = QStringLiteral("the count says %1 characters, %2 came")
                           .arg(reading.count)
                           .arg(std::max<qsizetype>(characters, 0));
      return judged;
    }
  }
  if (reg.readings[0].text != reg.readings[1].text) judged.change = judged.summary;
  return judged;
}

RegisterJudgement JudgeVoltage(const RegisterFacts& reg, long scale) {
  RegisterJudgement judged{BothReadings(reg)};
  const long first = reg.readings[0].text.toLong() * scale;
  const long second = reg.readings[1].text.toLong() * scale;
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

RegisterJudgement Judge(const ProbeFacts& facts, const RegisterFacts& reg) {
  if (!Answered(reg)) {
    RegisterJudgement judged{BothReadings(reg)};
    judged.problem = QStringLiteral("not answered (%1)").arg(judged.summary);
    if (reg.readings[0].ok != reg.readings[1].ok) judged.change = judged.summary;
    return judged;
  }
  if (reg.name == QLatin1String(kSpecificationInfo)) return JudgeSpecificationInfo(reg);
  if (reg.name == QLatin1String(kVoltage)) return JudgeVoltage(reg, VoltageScale(facts));
  return JudgeString(reg);
}

// "0x0B (address byte 16, a Smart Battery's)".
QString AddressWithRole(std::uint8_t address) {
  const QString bare = AddressText(address);
  switch (address) {
    case kChargerAddress:
      return bare.chopped(1) + QStringLiteral(", a charger's)");
    case kSelectorAddress:
      return bare.chopped(1) + QStringLiteral(", a selector's)");
    case kBatteryAddress:
      return bare.chopped(1) + QStringLiteral(", a Smart Battery's)");
    default:
      return bare;
  }
}

// The addresses, and the verb that fits their number.
QString AddressesAcknowledge(const std::vector<std::uint8_t>& addresses) {
  QStringList texts;
  for (const std::uint8_t address : addresses) texts << AddressWithRole(address);
  return texts.join(QStringLiteral(", ")) +
         (addresses.size() == 1 ? QStringLiteral(" acknowledges") : QStringLiteral(" acknowledge"));
}

bool Acknowledged(const SweepFacts& sweep, std::uint8_t address) {
  return std::find(sweep.acknowledged.begin(), sweep.acknowledged.end(), address) !=
         sweep.acknowledged.end();
}

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
  const bool silentTimesOut = facts.chosen && facts.chosen->silentReadTimesOut;
  QStringList noted;
  if (sweep.cutShort && silentTimesOut) {
    noted << QStringLiteral(
                 "stopped after %1 addresses in a row gave no answer (this adapter's driver "
                 "takes seconds to tell each)")
                 .arg(kTimeoutsThatEndASweep);
  } else if (sweep.cutShort) {
    noted << QStringLiteral("stopped after %1 time-outs in a row").arg(kTimeoutsThatEndASweep);
  } else if (sweep.timeouts > 0 && !silentTimesOut) {
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
  } else if (!Acknowledged(sweep, facts.address) || sweep.cutShort ||
             (sweep.timeouts > 0 && !silentTimesOut) || sweep.busErrors > 0) {
    step.verdict = StepVerdict::Warning;
  }
  return step;
}

ProbeStep RegisterStep(const ProbeFacts& facts, const RegisterFacts& reg) {
  const RegisterJudgement judged = Judge(facts, reg);
  ProbeStep step{reg.name};
  step.text = judged.summary;
  if (!judged.problem.isEmpty()) {
    step.verdict = StepVerdict::Failed;
    if (!Answered(reg) || judged.shortText)
      step.text += QStringLiteral(": ") + judged.problem;
    else
      step.text = judged.problem;
  } else if (!judged.change.isEmpty()) {
    step.verdict = StepVerdict::Failed;
    step.text += QStringLiteral(": the two readings differ");
  }
  return step;
}

// The first register whose judgement has the given trait, and that judgement.
template <typename Trait>
const RegisterFacts* FirstWith(const ProbeFacts& facts, Trait trait, RegisterJudgement* out) {
  for (const RegisterFacts& reg : facts.registers) {
    const RegisterJudgement judged = Judge(facts, reg);
    if (trait(judged)) {
      *out = judged;
      return &reg;
    }
  }
  return nullptr;
}

bool ReadsAsABattery(const ProbeFacts& facts) {
  if (facts.registers.empty() || !facts.linkFailure.isEmpty()) return false;
  for (const RegisterFacts& reg : facts.registers) {
    const RegisterJudgement judged = Judge(facts, reg);
    if (!judged.problem.isEmpty() || !judged.change.isEmpty()) return false;
  }
  return true;
}

QString Identity(const ProbeFacts& facts) {
  QStringList parts;
  for (const char* name : {kManufacturerName, kDeviceName}) {
    if (const RegisterFacts* reg = Find(facts, name))
      parts << reg->readings[0].text.mid(1).chopped(1);
  }
  QString identity = parts.join(QLatin1Char(' '));
  if (const RegisterFacts* voltage = Find(facts, kVoltage)) {
    identity += QStringLiteral(", %1 V").arg(
        voltage->readings[0].text.toLong() * VoltageScale(facts) / 1000.0, 0, 'f', 2);
  }
  return identity;
}

ProbeConclusion Failing(ConclusionKind kind, const QString& text) {
  return {kind, text, probe_exit::kNoSensibleBattery};
}

ProbeConclusion ConcludeOnAdapter(const ProbeFacts& facts) {
  QString why;
  if (!facts.openFailure.empty()) {
    why = Text(facts.openFailure);
  } else if (!facts.chosen) {
    why = facts.adapters.empty() ? QStringLiteral("the machine shows no I2C adapter")
                                 : QStringLiteral("no adapter is listed (see the adapter step)");
  } else if (!facts.chosen->leftOut.empty()) {
    why = Text(facts.chosen->leftOut);
  } else if (!facts.chosen->functions) {
    why = QStringLiteral("it does not tell what it can do (I2C_FUNCS)");
  } else if (!facts.chosen->functions->unusable.empty()) {
    why = QStringLiteral("it is unusable: ") + Text(facts.chosen->functions->unusable);
  } else {
    why = facts.linkFailure;
  }
  return {ConclusionKind::NoAdapter,
          QStringLiteral("No adapter to probe: %1. Check that it is plugged in (lsusb lists it), "
                         "that i2c-dev is loaded (sudo modprobe i2c-dev) and that you may open "
                         "its /dev/i2c-N (README: the udev rule and the group i2c).")
              .arg(why),
          probe_exit::kNoAdapter};
}

bool AdapterFailed(const ProbeFacts& facts) {
  return !facts.chosen || !facts.chosen->leftOut.empty() || !facts.openFailure.empty() ||
         !facts.chosen->functions || !facts.chosen->functions->unusable.empty() ||
         !facts.linkFailure.isEmpty();
}

ProbeConclusion ConcludeOnBus(const ProbeFacts& facts) {
  const SweepFacts& sweep = facts.sweep;
  if (sweep.timeouts > 0 && !facts.chosen->silentReadTimesOut) {
    return Failing(
        ConclusionKind::BusHangs,
        QStringLiteral("Nothing answers at any address, and the bus times out: a line is held "
                       "low or floats. Check the pull-up resistors on both lines (a few kOhm to "
                       "the adapter's logic supply; the pack's host usually has them, many "
                       "adapter boards do not), the ground between adapter and pack, and the "
                       "wiring."));
  }
  QString text = QStringLiteral(
      "Nothing answers at any address, yet the bus is clean (no time-outs, no errors): the "
      "pack is asleep or in shipping mode, or the clock and data lines are swapped. Wake the "
      "pack by connecting a charger (or its host) for a moment, then probe again; check clock "
      "to SCL/SMBC and data to SDA/SMBD.");
  if (facts.chosen->silentReadTimesOut) {
    text += QStringLiteral(
        " This adapter's driver tells that an address does not answer only after waiting "
        "seconds for its data, so the sweep stopped early, and missing pull-up resistors or a "
        "broken wire look the same here: check them too.");
  } else if (facts.chosen->timeoutLooksLikeNack) {
    text += QStringLiteral(
        " This adapter's driver reports a bus time-out as a missing acknowledge, so missing "
        "pull-up resistors or a broken wire look the same here: check them too.");
  }
  return Failing(ConclusionKind::NothingAnswers, text);
}

ProbeConclusion ConcludeOnWrongAddress(const ProbeFacts& facts) {
  QString text =
      QStringLiteral("Nothing answers at %1, but %2")
          .arg(AddressText(facts.address), AddressesAcknowledge(facts.sweep.acknowledged));
  if (facts.readAt && ReadsAsABattery(facts)) {
    text += QStringLiteral(
                ": a Smart Battery answers at %1: %2. Read it with pelmor read "
                "--address %3.")
                .arg(AddressText(*facts.readAt), Identity(facts),
                     Hex2(AddressByteOf(SevenBitAddress{*facts.readAt}).value));
  } else {
    text += QStringLiteral(
        ": the address is wrong. A Smart Battery answers at 0x0B (address byte 16), a "
        "charger at 0x09 (12), a selector at 0x0A (14).");
  }
  return Failing(ConclusionKind::WrongAddress, text);
}

ProbeConclusion ConcludeOnRegisters(const ProbeFacts& facts) {
  const QString where = AddressText(facts.readAt.value_or(facts.address));
  RegisterJudgement judged;
  if (const RegisterFacts* reg = FirstWith(
          facts, [](const RegisterJudgement& j) { return !j.change.isEmpty(); }, &judged)) {
    return Failing(ConclusionKind::Noise,
                   QStringLiteral("The battery answers at %1, but its answers change between two "
                                  "readings (%2: %3): the bus is noisy. Slow the clock to 100 kHz "
                                  "or less, shorten the wires, and check the ground.")
                       .arg(where, reg->name, judged.change));
  }
  const int broken = facts.brokenAttempts + facts.sweep.busErrors;
  if (broken > 0) {
    return Failing(ConclusionKind::Noise,
                   QStringLiteral("The battery answers at %1, but %2 transfers broke off with a "
                                  "bus error or a lost arbitration: the bus is noisy. Slow the "
                                  "clock to 100 kHz or less, shorten the wires, and check the "
                                  "ground.")
                       .arg(where)
                       .arg(broken));
  }
  if (const RegisterFacts* reg = FirstWith(
          facts, [](const RegisterJudgement& j) { return j.shortText; }, &judged)) {
    return Failing(ConclusionKind::ShortStrings,
                   QStringLiteral("The battery answers at %1, but its strings come back short "
                                  "(%2: %3): the adapter's block read falls short. The README's "
                                  "table of adapters says which adapters read blocks whole.")
                       .arg(where, reg->name, judged.problem));
  }
  if (const RegisterFacts* reg = FirstWith(
          facts, [](const RegisterJudgement& j) { return !j.problem.isEmpty(); }, &judged)) {
    return Failing(ConclusionKind::NotABattery,
                   QStringLiteral("A device answers at %1, but it does not read as a Smart "
                                  "Battery (%2: %3).")
                       .arg(where, reg->name, judged.problem));
  }
  return {ConclusionKind::BatteryAnswers,
          QStringLiteral("A Smart Battery answers at %1: %2. Its registers make sense and read "
                         "the same twice.")
              .arg(where, Identity(facts)),
          probe_exit::kBatteryAnswered};
}

}  // namespace

QString AddressText(std::uint8_t address) {
  return QStringLiteral("0x%1 (address byte %2)")
      .arg(Hex2(address), Hex2(AddressByteOf(SevenBitAddress{address}).value));
}

std::vector<ProbeStep> JudgeSteps(const ProbeFacts& facts) {
  std::vector<ProbeStep> steps{AdapterStep(facts)};
  if (!facts.chosen || !facts.chosen->leftOut.empty() || !facts.openFailure.empty()) return steps;
  steps.push_back(FunctionsStep(facts));
  if (steps.back().verdict == StepVerdict::Failed) return steps;
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

ProbeConclusion Conclude(const ProbeFacts& facts) {
  if (AdapterFailed(facts)) return ConcludeOnAdapter(facts);
  if (facts.holder) {
    QString text = QStringLiteral(
                       "The kernel driver %1 holds %2, so every transfer there is "
                       "refused (EBUSY). Free the address for this session: %3. It "
                       "comes back at the next boot while the board's description "
                       "(ACPI or device tree) names it, or while the module is "
                       "loaded for it: then blacklist %1.")
                       .arg(Text(facts.holder->driver), AddressText(facts.address),
                            Text(facts.holder->release.front()));
    return Failing(ConclusionKind::AddressHeld, text);
  }
  if (facts.sweep.done && facts.sweep.acknowledged.empty()) return ConcludeOnBus(facts);
  if (facts.sweep.done && !Acknowledged(facts.sweep, facts.address)) {
    return ConcludeOnWrongAddress(facts);
  }
  return ConcludeOnRegisters(facts);
}

QString KindName(ConclusionKind kind) {
  switch (kind) {
    case ConclusionKind::BatteryAnswers:
      return QStringLiteral("battery-answers");
    case ConclusionKind::NoAdapter:
      return QStringLiteral("no-adapter");
    case ConclusionKind::AddressHeld:
      return QStringLiteral("address-held");
    case ConclusionKind::BusHangs:
      return QStringLiteral("bus-hangs");
    case ConclusionKind::NothingAnswers:
      return QStringLiteral("nothing-answers");
    case ConclusionKind::WrongAddress:
      return QStringLiteral("wrong-address");
    case ConclusionKind::Noise:
      return QStringLiteral("noise");
    case ConclusionKind::ShortStrings:
      return QStringLiteral("short-strings");
    case ConclusionKind::NotABattery:
      return QStringLiteral("not-a-battery");
  }
  return {};
}

QString VerdictWord(StepVerdict verdict) {
  switch (verdict) {
    case StepVerdict::Ok:
      return QStringLiteral("ok");
    case StepVerdict::Warning:
      return QStringLiteral("warn");
    case StepVerdict::Failed:
      return QStringLiteral("FAIL");
    case StepVerdict::Skipped:
      return QStringLiteral("skip");
  }
  return {};
}
