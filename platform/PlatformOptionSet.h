#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "PlatformBundle.h"

// The options that choose and set up the platform bundle, the same for the
// window and for the headless commands.
struct PlatformOptionSet {
  QCommandLineOption emulated{QStringLiteral("emulated"),
                              QStringLiteral("Run on the emulated adapter and battery instead of "
                                             "real adapters.")};
  QCommandLineOption allBuses{QStringLiteral("all-buses"),
                              QStringLiteral("List every I2C bus, not only USB adapters. A stray "
                                             "write can damage parts on a computer's own buses.")};
  QCommandLineOption pec{QStringLiteral("pec"),
                         QStringLiteral("Use SMBus Packet Error Checking on every transaction.")};
  QCommandLineOption verbose{QStringLiteral("verbose"),
                             QStringLiteral("Log every status text and every row's outcome on "
                                            "standard error (QT_LOGGING_RULES=\"pelmor.*.debug="
                                            "true\" does the same).")};

  void AddTo(QCommandLineParser& parser) const {
    parser.addOptions({emulated, allBuses, pec, verbose});
  }
  PlatformOptions Read(const QCommandLineParser& parser) const {
    return {parser.isSet(emulated), parser.isSet(allBuses), parser.isSet(pec),
            parser.isSet(verbose)};
  }
};
