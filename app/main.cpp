// Pelmor: with --emulated it runs on the emulated rig (an emulated adapter on
// COM1 with a discharging Smart Battery at address 0x16 on its bus).
#include <QApplication>
#include <QThread>
#include <cstdio>

#include "CommandLine.h"
#include "EmulatedRig.h"
#include "ProgramWindows.h"

int main(int argc, char** argv) {
  const CommandLine commandLine = ReadCommandLine(argc, argv);
  if (!commandLine.run) return commandLine.exitStatus;
  if (!commandLine.run->emulated) {
    std::fputs("pelmor: this build drives no real adapters; start it with --emulated\n", stderr);
    return 3;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmor"));

  const auto rig = EmulatedRig::Threaded();
  ProgramWindows windows(rig->Bundle(), [](std::chrono::milliseconds pause) {
    QThread::msleep(static_cast<unsigned long>(pause.count()));
  });
  windows.MainForm().show();
  return QApplication::exec();
}
