// Pelmor: the window, or with `read` / `write` the headless command line, or
// with `probe` a look at the adapter and the bus.
// It drives real SMBus adapters through Linux's i2c-dev; with --emulated it
// runs on the emulated rig (an emulated adapter on COM1 with a discharging
// Smart Battery at address 0x16 on its bus) instead. It never falls back from
// one to the other by itself.
#include <QApplication>
#include <QLoggingCategory>
#include <QThread>
#include <memory>

#include "CommandLine.h"
#include "EmulatedRig.h"
#include "HeadlessCommand.h"
#include "I2cDevBundle.h"
#include "ProbeCommand.h"
#include "ProgramLogging.h"
#include "ProgramWindows.h"

Q_LOGGING_CATEGORY(lcApp, "pelmor.app", QtInfoMsg)

namespace {

class EmulatedPlatform : public Platform {
 public:
  explicit EmulatedPlatform(EmulatedFault fault) : rig_(EmulatedRig::Threaded(fault)) {}
  PlatformBundle Bundle() override { return rig_->Bundle(); }

 private:
  std::unique_ptr<EmulatedRig> rig_;
};

std::unique_ptr<Platform> MakePlatform(const PlatformOptions& options) {
  if (options.emulated) {
    if (options.allBuses || options.pec) {
      qCWarning(lcApp,
                "--all-buses and --pec apply to real adapters; the emulated rig ignores them");
    }
    return std::make_unique<EmulatedPlatform>(options.emulatedFault);
  }
  return std::make_unique<I2cDevBundle>(I2cDevOptions{options.allBuses, options.pec});
}

}  // namespace

int main(int argc, char** argv) {
  if (IsHeadlessCommand(argc, argv)) return RunHeadlessCommand(argc, argv, MakePlatform);
  if (IsProbeCommand(argc, argv)) return RunProbeCommand(argc, argv, MakePlatform);
  const CommandLine commandLine = ReadCommandLine(argc, argv);
  if (!commandLine.run) return commandLine.exitStatus;
  SetUpProgramLogging(commandLine.run->verbose);
  const std::unique_ptr<Platform> platform = MakePlatform(*commandLine.run);

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmor"));
  ProgramWindows windows(platform->Bundle(), [](std::chrono::milliseconds pause) {
    QThread::msleep(static_cast<unsigned long>(pause.count()));
  });
  windows.MainForm().show();
  return QApplication::exec();
}
