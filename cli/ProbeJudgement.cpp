#include "cli/ProbeJudgement.h"

#include <QStringList>
#include <algorithm>

#include "battery/HexText.h"
#include "link/adapter/BusAddress.h"

QString probe_text::Hex2(unsigned value) {
  return HexText(value, 2);
}

QString probe_text::Text(const std::string& text) {
  return QString::fromStdString(text);
}

using probe_text::Hex2;

// "0x0B (address byte 16, a Smart Battery's)".
QString AddressWithRole(std::uint8_t address) {
  const QString bare = AddressText(address);
  switch (address) {
    case smart_battery_system::kCharger.value:
      return bare.chopped(1) + QStringLiteral(", a charger's)");
    case smart_battery_system::kSelector.value:
      return bare.chopped(1) + QStringLiteral(", a selector's)");
    case smart_battery_system::kBattery.value:
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

QString AddressText(std::uint8_t address) {
  return QStringLiteral("0x%1 (address byte %2)")
      .arg(Hex2(address), Hex2(AddressByteOf(SevenBitAddress{address}).value));
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
    case ConclusionKind::ClockHeld:
      return QStringLiteral("clock-held");
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
