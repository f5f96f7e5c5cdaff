// Pelmor: the window, or with `read` / `write` the headless command line; on
// real adapters, or with --emulated on the emulated rig (an emulated adapter
// on COM1 with a discharging Smart Battery at address 0x16 on its bus).
#include <QApplication>
#include <QThread>
#include <cstdio>

#include "CommandLine.h"
#include "EmulatedRig.h"
#include "HeadlessCommand.h"
#include "ProgramWindows.h"

namespace {

class EmulatedPlatform : public Platform {
 public:
  PlatformBundle Bundle() override { return rig_->Bundle(); }

 private:
  std::unique_ptr<EmulatedRig> rig_ = EmulatedRig::Threaded();
};

std::unique_ptr<Platform> MakePlatform(const PlatformOptions& options) {
  if (options.emulated) return std::make_unique<EmulatedPlatform>();
  std::fputs("pelmor: this build drives no real adapters; start it with --emulated\n", stderr);
  std::exit(3);
}

}  // namespace

int main(int argc, char** argv) {
  if (IsHeadlessCommand(argc, argv)) return RunHeadlessCommand(argc, argv, MakePlatform);
  const CommandLine commandLine = ReadCommandLine(argc, argv);
  if (!commandLine.run) return commandLine.exitStatus;
  const std::unique_ptr<Platform> platform = MakePlatform(*commandLine.run);

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmor"));
  ProgramWindows windows(platform->Bundle(), [](std::chrono::milliseconds pause) {
    QThread::msleep(static_cast<unsigned long>(pause.count()));
  });
  windows.MainForm().show();
  return QApplication::exec();
}
