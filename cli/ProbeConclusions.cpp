// A probe's one conclusion: the likeliest cause, and what to do about it.
#include <QStringList>

#include "cli/ProbeJudgement.h"
#include "cli/RegisterJudgement.h"
#include "link/adapter/BusAddress.h"

namespace {

using probe_text::Hex2;
using probe_text::Text;

// The first register whose judgement has the given trait, and that judgement.
template <typename Trait>
const RegisterFacts* FirstWith(const ProbeFacts& facts, Trait trait, RegisterJudgement* out) {
  for (const RegisterFacts& reg : facts.registers) {
    const RegisterJudgement judged = JudgeRegister(facts, reg);
    if (trait(judged)) {
      *out = judged;
      return &reg;
    }
  }
  return nullptr;
}

// The sweep found the address, yet a register read ended in NACK through a
// driver that reports a read it gave up on while the pack held the clock as a
// missing acknowledge.
bool ReadsGiveUpOnAHeldClock(const ProbeFacts& facts) {
  if (!facts.chosen->givesUpOnAHeldClock || !facts.readAt ||
      !Acknowledged(facts.sweep, *facts.readAt)) {
    return false;
  }
  for (const RegisterFacts& reg : facts.registers) {
    for (const RowRecord& reading : reg.readings) {
      if (reading.fault == RowFault::NoAcknowledge) return true;
    }
  }
  return false;
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
  if (sweep.timeouts > 0) {
    return Failing(
        ConclusionKind::BusHangs,
        QStringLiteral("Nothing answers at any address, and the bus times out: a line is held "
                       "low or floats. Check the pull-up resistors on both lines (a few kOhm to "
                       "the adapter's logic supply; the pack's host usually has them, many "
                       "adapter boards do not), the ground between adapter and pack, and the "
                       "wiring."));
  }
  if (sweep.busErrors > 0) {
    const std::string& alike = facts.chosen->brokenAlike;
    return Failing(
        ConclusionKind::Noise,
        QStringLiteral("Nothing acknowledges at any address, and %1 transfers broke off%2: the "
                       "bus is disturbed, by noise or by another master on it. Check that "
                       "nothing else drives the bus, slow the clock to 100 kHz or less, shorten "
                       "the wires, and check the ground.")
            .arg(sweep.busErrors)
            .arg(alike.empty() ? QString()
                               : QStringLiteral(" (this adapter's driver reports %1 alike and "
                                                "cannot tell them apart)")
                                     .arg(Text(alike))));
  }
  const QString wake = QStringLiteral(
      "Wake the pack by connecting a charger (or its host) for a moment, then probe again; "
      "check clock to SCL/SMBC and data to SDA/SMBD");
  const std::string& alike = facts.chosen->nackAlike;
  if (alike.empty()) {
    return Failing(ConclusionKind::NothingAnswers,
                   QStringLiteral("Nothing answers at any address, yet the bus is clean (no "
                                  "time-outs, no errors): the pack is asleep or in shipping "
                                  "mode, or the clock and data lines are swapped. %1.")
                       .arg(wake));
  }
  // A driver that folds other faults into a missing acknowledge cannot vouch
  // for a clean bus.
  const QString text =
      QStringLiteral(
          "Nothing answers at any address: every transfer ended as a missing "
          "acknowledge, which this adapter's driver reports alike for %1, and cannot "
          "tell them apart. The pack is asleep or in shipping mode, the clock and "
          "data lines are swapped, or the bus is at fault. %2, the pull-up resistors "
          "and the wiring.")
          .arg(Text(alike), wake);
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
  if (broken > 0 && !facts.chosen->brokenAlike.empty()) {
    return Failing(ConclusionKind::Noise,
                   QStringLiteral("The battery answers at %1, but %2 transfers broke off. This "
                                  "adapter's driver reports %3 alike and cannot tell them apart: "
                                  "noise on the bus causes each, a pack that refuses a command "
                                  "the second. Slow the clock to 100 kHz or less, shorten the "
                                  "wires, and check the ground.")
                       .arg(where)
                       .arg(broken)
                       .arg(Text(facts.chosen->brokenAlike)));
  }
  if (broken > 0) {
    return Failing(ConclusionKind::Noise,
                   QStringLiteral("The battery answers at %1, but %2 transfers broke off with a "
                                  "bus error or a lost arbitration: the bus is noisy. Slow the "
                                  "clock to 100 kHz or less, shorten the wires, and check the "
                                  "ground.")
                       .arg(where)
                       .arg(broken));
  }
  if (ReadsGiveUpOnAHeldClock(facts)) {
    return Failing(
        ConclusionKind::ClockHeld,
        QStringLiteral("The battery acknowledges at %1, but reads of its registers end in NACK, "
                       "which this adapter's driver reports alike for %2. With the address "
                       "acknowledged, either the pack refuses those commands or, the likelier "
                       "for a Smart Battery, the adapter's driver gave up while the pack held "
                       "the clock (a Smart Battery may hold it up to 25 ms). Read the pack "
                       "through an adapter whose driver waits that long (an FT260).")
            .arg(where, Text(facts.chosen->nackAlike)));
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
