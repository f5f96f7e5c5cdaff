#pragma once

#include <array>

#include <QString>
#include <QStringList>
#include <vector>

#include "cli/ProbeFacts.h"
#include "platform/ExitStatusHelp.h"

// What a probe's facts mean: a verdict for each step (ProbeSteps.cpp), and one
// conclusion in plain words that names the likeliest cause and what to do
// about it (ProbeConclusions.cpp), both resting on the judgement of the
// battery's registers (RegisterJudgement). No bus access: every verdict and
// conclusion follows from the facts alone.

enum class StepVerdict { Ok, Warning, Failed, Skipped };

struct ProbeStep {
  QString name;
  StepVerdict verdict = StepVerdict::Ok;
  QString text = {};
  QStringList details = {};  // further lines: adapters left out, commands to run
};

enum class ConclusionKind {
  BatteryAnswers,
  NoAdapter,
  AddressHeld,     // a kernel driver holds the battery's address
  BusHangs,        // nothing answers and the bus times out: pull-ups, wiring
  NothingAnswers,  // nothing answers on a clean bus: asleep, or lines swapped
  WrongAddress,    // something answers, but not at the address asked for
  Noise,           // answers change between two readings, or transfers break off
  ShortStrings,    // strings come back shorter than their count
  NotABattery,     // a device answers, but not as a Smart Battery
  ClockHeld,       // the battery acknowledges, but the driver gives up on its reads
};

struct ProbeConclusion {
  ConclusionKind kind = ConclusionKind::BatteryAnswers;
  QString text;
  int exitStatus = 0;
};

// `pelmor probe`'s exit statuses.
namespace probe_exit {
inline constexpr int kBatteryAnswered = 0;
inline constexpr int kNoSensibleBattery = 1;
inline constexpr int kUsageError = 2;
inline constexpr int kNoAdapter = 3;
}  // namespace probe_exit

// What each status means, as `pelmor probe --help` and the manual page say.
inline constexpr std::array kProbeExitStatuses{
    ExitStatusMeaning{probe_exit::kBatteryAnswered, "a Smart Battery answered sensibly"},
    ExitStatusMeaning{probe_exit::kNoSensibleBattery,
                      "no Smart Battery answered sensibly, or the output could not be written"},
    ExitStatusMeaning{probe_exit::kUsageError, "a usage error"},
    ExitStatusMeaning{probe_exit::kNoAdapter, "there is no adapter to probe"},
};

std::vector<ProbeStep> JudgeSteps(const ProbeFacts& facts);
ProbeConclusion Conclude(const ProbeFacts& facts);

// The kind's name in the JSON output, and the verdict's word.
QString KindName(ConclusionKind kind);
QString VerdictWord(StepVerdict verdict);

// Words the steps and the conclusions share.
// "0x0B (address byte 16)".
QString AddressText(std::uint8_t address);
// "0x0B (address byte 16, a Smart Battery's)".
QString AddressWithRole(std::uint8_t address);
// "0x09 (...), 0x0B (...) acknowledge": the addresses, and the verb that fits their number.
QString AddressesAcknowledge(const std::vector<std::uint8_t>& addresses);
bool Acknowledged(const SweepFacts& sweep, std::uint8_t address);
namespace probe_text {
// Two upper-case hexadecimal digits.
QString Hex2(unsigned value);
QString Text(const std::string& text);
}  // namespace probe_text
