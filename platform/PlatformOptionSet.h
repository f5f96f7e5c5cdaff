#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <optional>

#include "platform/Platform.h"

// The options that choose and set up the platform bundle, the same for the
// window and for the headless commands.
struct PlatformOptionSet {
  QCommandLineOption emulated{
      QStringLiteral("emulated"),
      QStringLiteral("Run on the emulated adapter and battery instead of "
                     "real adapters. --emulated=FAULT gives the emulated "
                     "bus a fault to demonstrate: %1. --emulated=PACK "
                     "puts another pack on it: %2.")
          .arg(FaultNames().join(QStringLiteral(", ")), PackNames().join(QStringLiteral(", ")))};
  // --emulated=FAULT arrives here through Unfold: the parser has no option
  // whose value may be left out.
  QCommandLineOption emulatedFault{QStringLiteral("emulated-fault"), QString(),
                                   QStringLiteral("FAULT")};
  QCommandLineOption allBuses{QStringLiteral("all-buses"),
                              QStringLiteral("List every I2C bus, not only USB adapters. A stray "
                                             "write can damage parts on a computer's own buses.")};
  QCommandLineOption pec{QStringLiteral("pec"),
                         QStringLiteral("Use SMBus Packet Error Checking on every transaction.")};
  QCommandLineOption verbose{QStringLiteral("verbose"),
                             QStringLiteral("Log every status text and every row's outcome on "
                                            "standard error (QT_LOGGING_RULES=\"pelmor.*.debug="
                                            "true\" does the same).")};

  PlatformOptionSet() { emulatedFault.setFlags(QCommandLineOption::HiddenFromHelp); }

  static QStringList FaultNames() { return NamesOf(kEmulatedFaultNames); }
  static QStringList PackNames() { return NamesOf(kEmulatedPackNames); }

  // The arguments as the parser takes them: --emulated=FAULT becomes
  // --emulated --emulated-fault=FAULT.
  static QStringList Unfold(const QStringList& arguments) {
    const QString prefix = QStringLiteral("--emulated=");
    QStringList unfolded;
    for (const QString& argument : arguments) {
      if (argument.startsWith(prefix)) {
        unfolded << QStringLiteral("--emulated")
                 << QStringLiteral("--emulated-fault=") + argument.mid(prefix.size());
      } else {
        unfolded << argument;
      }
    }
    return unfolded;
  }

  void AddTo(QCommandLineParser& parser) const {
    parser.addOptions({emulated, emulatedFault, allBuses, pec, verbose});
  }
  // The usage error in the parsed options, if there is one.
  std::optional<QString> Invalid(const QCommandLineParser& parser) const {
    if (!parser.isSet(emulatedFault) || Fault(parser) || Pack(parser)) return std::nullopt;
    return QStringLiteral("--emulated=FAULT takes one of %1, or a pack: %2, not: %3")
        .arg(FaultNames().join(QStringLiteral(", ")), PackNames().join(QStringLiteral(", ")),
             parser.value(emulatedFault));
  }
  PlatformOptions Read(const QCommandLineParser& parser) const {
    return {parser.isSet(emulated),
            parser.isSet(allBuses),
            parser.isSet(pec),
            parser.isSet(verbose),
            Fault(parser).value_or(EmulatedFault::None),
            Pack(parser).value_or(EmulatedPack::Standard)};
  }

 private:
  template <typename Names>
  static QStringList NamesOf(const Names& entries) {
    QStringList names;
    for (const auto& entry : entries) {
      names << QString::fromLatin1(entry.name.data(), static_cast<qsizetype>(entry.name.size()));
    }
    return names;
  }
  // The pack named after --emulated=, when it names one.
  std::optional<EmulatedPack> Pack(const QCommandLineParser& parser) const {
    if (!parser.isSet(emulatedFault)) return EmulatedPack::Standard;
    return EmulatedPackNamed(parser.value(emulatedFault).toStdString());
  }
  std::optional<EmulatedFault> Fault(const QCommandLineParser& parser) const {
    if (!parser.isSet(emulatedFault)) return EmulatedFault::None;
    return EmulatedFaultNamed(parser.value(emulatedFault).toStdString());
  }
};
