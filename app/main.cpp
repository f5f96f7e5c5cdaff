// Pelmor: drives real SMBus adapters through Linux's i2c-dev; with --emulated
// it runs on the emulated rig (an emulated adapter on COM1 with a discharging
// Smart Battery at address 0x16 on its bus) instead. It never falls back from
// one to the other by itself.
#include <QApplication>
#include <QThread>
#include <cstdio>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "EmulatedRig.h"
#include "I2cDevBundle.h"
#include "ProgramWindows.h"

namespace {

int RunWindows(QApplication&, PlatformBundle bundle) {
  ProgramWindows windows(bundle, [](std::chrono::milliseconds pause) {
    QThread::msleep(static_cast<unsigned long>(pause.count()));
  });
  windows.MainForm().show();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine commandLine = ReadCommandLine(argc, argv);
  if (!commandLine.run) return commandLine.exitStatus;
  const ProgramOptions options = *commandLine.run;

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmor"));

  if (options.emulated) {
    if (options.allBuses || options.pec) {
      std::fputs("pelmor: --all-buses and --pec apply to real adapters; the emulated rig "
                 "ignores them\n",
                 stderr);
    }
    const auto rig = EmulatedRig::Threaded();
    return RunWindows(application, rig->Bundle());
  }
  I2cDevBundle real(I2cDevOptions{options.allBuses, options.pec}, [](const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
  });
  return RunWindows(application, real.Bundle());
}
