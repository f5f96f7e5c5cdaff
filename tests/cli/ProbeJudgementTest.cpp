// What a probe concludes from what it found: one situation a row, each a
// change to the facts of a healthy pack on a USB adapter.
#include <gtest/gtest.h>

#include <functional>

#include "cli/ProbeJudgement.h"
#include "cli/ProbeReport.h"
#include "link/FaultWords.h"
#include "tests/support/QtPrinters.h"

namespace {

// A reply as the scan records it: its bytes, judged and shown as every path does.
RowRecord Replied(const char* unit, const std::string& bytes) {
  RowRecord reading;
  reading.reached = reading.replied = true;
  std::copy(bytes.begin(), bytes.end(), reading.reply.begin());
  reading.length = static_cast<int>(bytes.size());
  reading.fit = JudgeReply(unit, reading.reply, reading.length);
  reading.ok = reading.fit == ReplyFit::Complete;
  const std::optional<ReplyBuffer> came = ReplyAsFarAsItCame(unit, reading.reply, reading.length);
  reading.text = came ? DecodeReply(unit, *came) : QString();
  return reading;
}

RowRecord Word(const char* unit, int word) {
  return Replied(unit, {static_cast<char>(word & 0xFF), static_cast<char>(word >> 8)});
}

// A string whose count byte says `count`; by default as many as its characters.
RowRecord String(const std::string& characters, int count = -1) {
  const int counted = count < 0 ? static_cast<int>(characters.size()) : count;
  return Replied("string", static_cast<char>(counted) + characters);
}

RowRecord GivenUp(RowFault fault) {
  RowRecord reading;
  reading.reached = true;
  reading.fault = fault;
  reading.text = FaultWord(fault);
  return reading;
}

RegisterFacts Register(const char* name, const char* unit, RowRecord first, RowRecord second) {
  return {QString::fromLatin1(name), QString::fromLatin1(unit), {{first, second}}};
}

ProbeFacts HealthyPack() {
  ProbeFacts facts;
  ProbedAdapter cp2112{8,
                       "/dev/i2c-7",
                       "CP2112 SMBus Bridge on hidraw0",
                       "USB",
                       "",
                       AdapterFunctions{true, true, true, false, "plain I2C write-then-read", ""}};
  facts.adapters = {{1, "/dev/i2c-0", "SMBus I801 adapter", "not USB: a computer's own bus",
                     "not USB, left out (pelmor --all-buses lists it)", std::nullopt},
                    cp2112};
  facts.chosen = cp2112;
  facts.clock = BusClock{100'000, "the CP2112's own setting", {}};
  facts.sweep = {true, {0x0B}, {}, 112, 0, 0, false, 0.4};
  facts.readAt = 0x0B;
  facts.registers = {
      Register("Voltage", "mv", Word("mv", 12285), Word("mv", 12280)),
      Register("SpecificationInfo", "#H", Word("#H", 0x0031), Word("#H", 0x0031)),
      Register("ManufacturerName", "string", String("Norvale Cells"), String("Norvale Cells")),
      Register("DeviceName", "string", String("NV3S4400"), String("NV3S4400"))};
  return facts;
}

RegisterFacts& Named(ProbeFacts& facts, const char* name) {
  for (RegisterFacts& reg : facts.registers) {
    if (reg.name == QLatin1String(name)) return reg;
  }
  throw std::logic_error(name);
}

void NothingToRead(ProbeFacts& facts) {
  facts.readAt.reset();
  facts.registers.clear();
}

struct Situation {
  const char* what;
  std::function<void(ProbeFacts&)> change;
  ConclusionKind kind;
  const char* words;        // in the conclusion
  const char* flaggedStep;  // the first step not ok, and its verdict; "" for none
};

const Situation kSituations[] = {
    {"a healthy pack", [](ProbeFacts&) {}, ConclusionKind::BatteryAnswers,
     "A Smart Battery answers at 0x0B (address byte 16): Norvale Cells NV3S4400, 12.29 V", ""},
    {"a voltage 50 mV lower a moment later is no noise",
     [](ProbeFacts& f) { Named(f, "Voltage").readings[1] = Word("mv", 12235); },
     ConclusionKind::BatteryAnswers, "12.29 V", ""},
    {"voltage scaled by ten (VScale 1)",
     [](ProbeFacts& f) {
       Named(f, "SpecificationInfo").readings = {Word("#H", 0x0131), Word("#H", 0x0131)};
       Named(f, "Voltage").readings = {Word("mv", 1650), Word("mv", 1650)};
     },
     ConclusionKind::BatteryAnswers, "16.50 V", ""},
    {"no adapter is listed",
     [](ProbeFacts& f) {
       f = {};
       f.adapters = HealthyPack().adapters;
       f.adapters[1].leftOut = "Permission denied";
     },
     ConclusionKind::NoAdapter, "no adapter is listed", "adapter FAIL"},
    {"the adapter cannot be opened",
     [](ProbeFacts& f) {
       f.openFailure = "/dev/i2c-7: Permission denied";
       f.sweep = {};
       NothingToRead(f);
     },
     ConclusionKind::NoAdapter, "No adapter to probe: /dev/i2c-7: Permission denied",
     "adapter FAIL"},
    {"the adapter cannot read blocks",
     [](ProbeFacts& f) {
       f.chosen->functions->unusable = "it cannot read a counted block";
       f.sweep = {};
       NothingToRead(f);
     },
     ConclusionKind::NoAdapter, "it is unusable: it cannot read a counted block", "functions FAIL"},
    {"a kernel driver holds the battery's address",
     [](ProbeFacts& f) {
       f.holder = AddressHolder{"sbs-battery",
                                {"echo 7-000b | sudo tee /sys/bus/i2c/drivers/sbs-battery/unbind"}};
       NothingToRead(f);
     },
     ConclusionKind::AddressHeld,
     "sbs-battery holds 0x0B (address byte 16), so every transfer there is refused (EBUSY). Free "
     "the address for this session: echo 7-000b | sudo tee /sys/bus/i2c/drivers/sbs-battery/unbind",
     "kernel driver FAIL"},
    {"every touch times out",
     [](ProbeFacts& f) {
       f.sweep = {true, {}, {}, 4, 4, 0, true, 0.1};
       NothingToRead(f);
     },
     ConclusionKind::BusHangs, "pull-up resistors", "sweep FAIL"},
    {"nothing answers on a clean bus",
     [](ProbeFacts& f) {
       f.sweep.acknowledged.clear();
       NothingToRead(f);
     },
     ConclusionKind::NothingAnswers,
     "asleep or in shipping mode, or the clock and data lines are swapped", "sweep FAIL"},
    {"nothing answers through a driver that folds other faults into a missing acknowledge",
     [](ProbeFacts& f) {
       f.chosen->nackAlike = "an address that does not acknowledge and a bus held low";
       f.sweep.acknowledged.clear();
       NothingToRead(f);
     },
     ConclusionKind::NothingAnswers,
     "every transfer ended as a missing acknowledge, which this adapter's driver reports alike "
     "for an address that does not acknowledge and a bus held low, and cannot tell them apart",
     "sweep FAIL"},
    {"nothing acknowledges and every touch breaks off",
     [](ProbeFacts& f) {
       f.chosen->brokenAlike = "a lost arbitration and a read cut short";
       f.sweep = {true, {}, {}, 112, 0, 336, false, 1.2};
       NothingToRead(f);
     },
     ConclusionKind::Noise,
     "336 transfers broke off (this adapter's driver reports a lost arbitration and a read cut "
     "short alike and cannot tell them apart): the bus is disturbed",
     "sweep FAIL"},
    {"only a charger answers",
     [](ProbeFacts& f) {
       f.sweep.acknowledged = {0x09};
       NothingToRead(f);
     },
     ConclusionKind::WrongAddress,
     "but 0x09 (address byte 12, a charger's) acknowledges: the address is wrong", "sweep warn"},
    {"the battery answers elsewhere",
     [](ProbeFacts& f) {
       f.sweep.acknowledged = {0x09, 0x0E};
       f.readAt = 0x0E;
     },
     ConclusionKind::WrongAddress,
     "a Smart Battery answers at 0x0E (address byte 1C): Norvale Cells NV3S4400, 12.29 V. Read it "
     "with pelmor read --address 1C",
     "sweep warn"},
    {"the voltage jumps between two readings",
     [](ProbeFacts& f) { Named(f, "Voltage").readings[1] = Word("mv", 16381); },
     ConclusionKind::Noise, "(Voltage: 12285 mV, then 16381 mV): the bus is noisy", "Voltage FAIL"},
    {"a string changes between two readings",
     [](ProbeFacts& f) { Named(f, "DeviceName").readings[0] = String("NV3S4C00"); },
     ConclusionKind::Noise, "DeviceName", "DeviceName FAIL"},
    {"transfers broke off, though retries brought the values",
     [](ProbeFacts& f) { f.brokenAttempts = 2; }, ConclusionKind::Noise, "2 transfers broke off",
     ""},
    {"transfers broke off through a driver that folds their causes into one error",
     [](ProbeFacts& f) {
       f.chosen->brokenAlike = "a lost arbitration and a read cut short";
       f.brokenAttempts = 5;
     },
     ConclusionKind::Noise,
     "5 transfers broke off. This adapter's driver reports a lost arbitration and a read cut "
     "short alike and cannot tell them apart",
     ""},
    {"the battery acknowledges, but its driver gives up on reads while the pack holds the clock",
     [](ProbeFacts& f) {
       f.chosen->givesUpOnAHeldClock = true;
       f.chosen->nackAlike = "an address that does not acknowledge and a held clock";
       Named(f, "Voltage").readings = {GivenUp(RowFault::NoAcknowledge),
                                       GivenUp(RowFault::NoAcknowledge)};
     },
     ConclusionKind::ClockHeld,
     "reads of its registers end in NACK, which this adapter's driver reports alike for an "
     "address that does not acknowledge and a held clock. With the address acknowledged, either "
     "the pack refuses those commands or, the likelier for a Smart Battery, the adapter's driver "
     "gave up while the pack held the clock",
     "Voltage FAIL"},
    {"strings come back without their data",
     [](ProbeFacts& f) {
       Named(f, "ManufacturerName").readings = {String("", 13), String("", 13)};
     },
     ConclusionKind::ShortStrings,
     "(ManufacturerName: cut short (the count says 13 bytes, 0 came))", "ManufacturerName FAIL"},
    {"a string longer than its count",
     [](ProbeFacts& f) { Named(f, "DeviceName").readings[1] = String("NV3S4400", 4); },
     ConclusionKind::NotABattery, "(DeviceName: over-long (the count says 4 bytes, 8 came))",
     "DeviceName FAIL"},
    {"SpecificationInfo names no version",
     [](ProbeFacts& f) {
       Named(f, "SpecificationInfo").readings = {Word("#H", 0x7500), Word("#H", 0x7500)};
     },
     ConclusionKind::NotABattery, "(SpecificationInfo: 7500 names no valid version and scaling)",
     "SpecificationInfo FAIL"},
    {"a voltage no pack has",
     [](ProbeFacts& f) {
       Named(f, "Voltage").readings = {Word("mv", 0), Word("mv", 0)};
     },
     ConclusionKind::NotABattery, "0 mV is outside a pack's 2000 to 70000 mV", "Voltage FAIL"},
    {"a register the device does not answer",
     [](ProbeFacts& f) {
       Named(f, "DeviceName").readings = {GivenUp(RowFault::NoAcknowledge),
                                          GivenUp(RowFault::NoAcknowledge)};
     },
     ConclusionKind::NotABattery, "(DeviceName: not answered (NACK twice))", "DeviceName FAIL"},
    {"a bus clock above the 100 kHz a pack is specified for",
     [](ProbeFacts& f) {
       f.clock = BusClock{400'000, "set by hid-mcp2221", {}};
     },
     ConclusionKind::BatteryAnswers, "A Smart Battery answers at 0x0B", "bus clock warn"},
    {"a bus clock the driver does not tell",
     [](ProbeFacts& f) {
       f.clock = BusClock{std::nullopt, "its driver does not tell it", {}};
     },
     ConclusionKind::BatteryAnswers, "A Smart Battery answers at 0x0B", "bus clock skip"},
    {"no sweep without a read-only touch: the address is read all the same",
     [](ProbeFacts& f) {
       f.chosen->functions->receiveByte = false;
       f.sweep = {};
     },
     ConclusionKind::BatteryAnswers, "A Smart Battery answers at 0x0B", "functions warn"},
};

QString FirstFlagged(const std::vector<ProbeStep>& steps) {
  for (const ProbeStep& step : steps) {
    if (step.verdict != StepVerdict::Ok) return step.name + ' ' + VerdictWord(step.verdict);
  }
  return {};
}

}  // namespace

TEST(ProbeJudgement, EachSituationHasItsConclusionAndFlagsItsStep) {
  for (const Situation& situation : kSituations) {
    SCOPED_TRACE(situation.what);
    ProbeFacts facts = HealthyPack();
    situation.change(facts);
    const ProbeConclusion conclusion = Conclude(facts);
    EXPECT_EQ(KindName(conclusion.kind), KindName(situation.kind)) << conclusion.text;
    EXPECT_TRUE(conclusion.text.contains(QString::fromLatin1(situation.words))) << conclusion.text;
    const int status =
        situation.kind == ConclusionKind::BatteryAnswers ? probe_exit::kBatteryAnswered
        : situation.kind == ConclusionKind::NoAdapter    ? probe_exit::kNoAdapter
                                                         : probe_exit::kNoSensibleBattery;
    EXPECT_EQ(conclusion.exitStatus, status);
    EXPECT_EQ(FirstFlagged(JudgeSteps(facts)), QString::fromLatin1(situation.flaggedStep));
  }
}

// A crafted pack's name reaches the probe's text escaped, never raw.
TEST(ProbeJudgement, APacksControlCharactersReachTheTextEscaped) {
  ProbeFacts facts = HealthyPack();
  for (auto& reading : Named(facts, "DeviceName").readings) reading = String("\x1b[2JKP\x07");
  QString printed;
  QTextStream out(&printed);
  PrintProbeText(out, JudgeSteps(facts), Conclude(facts));
  EXPECT_FALSE(printed.contains(QChar(0x1b)));
  EXPECT_FALSE(printed.contains(QChar(0x07)));
  EXPECT_TRUE(printed.contains("\\x1b[2JKP\\x07")) << printed.toStdString();
}
