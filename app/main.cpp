// Pelmor: the window, or with `read` / `write` the headless command line, or
// with `plot` a log file drawn into a picture, with `probe` a look at the
// adapter and the bus.
// It drives real SMBus adapters through Linux's i2c-dev; with --emulated it
// runs on the emulated rig (an emulated adapter on COM1 with a discharging
// Smart Battery at address 0x16 on its bus) instead. It never falls back from
// one to the other by itself.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>
#include <memory>

#include "app/ChartModuleLoader.h"
#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/ProgramWindows.h"
#include "app/ReportSaving.h"
#include "chart/PlotCommand.h"
#include "cli/HeadlessCommand.h"
#include "cli/ProbeCommand.h"
#include "emulator/EmulatedRig.h"
#include "i2cdev/I2cDevBundle.h"
#include "platform/InterruptWatch.h"
#include "platform/ProgramLogging.h"
#include "platform/ProgramOutput.h"
#include "publish/PublishOptionSet.h"
#include "report/ReportCommand.h"

Q_LOGGING_CATEGORY(lcApp, "pelmor.app", QtInfoMsg)
// Real adapters: why one cannot be used, went away, or refuses an address.
Q_LOGGING_CATEGORY(lcI2cDev, "pelmor.i2cdev", QtInfoMsg)

namespace {

// Passes still queued for the broker get this long to go out at the end.
constexpr std::chrono::seconds kQueueGrace{5};

class EmulatedPlatform : public Platform {
 public:
  EmulatedPlatform(EmulatedFault fault, EmulatedPack pack)
      : rig_(EmulatedRig::Threaded(fault, pack)) {}
  PlatformBundle Bundle() override { return rig_->Bundle(); }

 private:
  std::unique_ptr<EmulatedRig> rig_;
};

class RealAdapters : public Platform {
 public:
  explicit RealAdapters(I2cDevOptions options) : adapters_(std::move(options)) {}
  PlatformBundle Bundle() override { return adapters_.Bundle(); }

 private:
  I2cDevBundle adapters_;
};

// The README installed with the program, for the port list's hint; nothing
// when the program runs from its build folder.
std::string InstalledGuide() {
  const QString guide =
      QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                          .filePath(QStringLiteral(PELMOR_DOC_FROM_EXECUTABLE "/README.md.gz")));
  return QFileInfo::exists(guide) ? guide.toStdString() : std::string();
}

// Needs the application object, for the program's own folder.
std::unique_ptr<Platform> MakePlatform(const PlatformOptions& options) {
  if (options.emulated) {
    if (options.allBuses || options.pec) {
      qCWarning(lcApp,
                "--all-buses and --pec apply to real adapters; the emulated rig ignores them");
    }
    return std::make_unique<EmulatedPlatform>(options.emulatedFault, options.emulatedPack);
  }
  return std::make_unique<RealAdapters>(
      I2cDevOptions{options.allBuses, options.pec, InstalledGuide(),
                    [](const std::string& line) { qCWarning(lcI2cDev, "%s", line.c_str()); }});
}

// `pelmor plot` is the chart module's.
int RunChartModulePlot(int& argc, char** argv) {
  const ChartModuleLoad& module = LoadChartModule();
  if (module.api == nullptr) {
    QTextStream(stderr) << "pelmor plot: " << module.error << Qt::endl;
    return plot_exit::kNoChart;
  }
  return module.api->runPlotCommand(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  if (IsHeadlessCommand(argc, argv)) return RunHeadlessCommand(argc, argv, MakePlatform);
  if (IsPlotCommand(argc, argv)) return RunChartModulePlot(argc, argv);
  if (IsProbeCommand(argc, argv)) return RunProbeCommand(argc, argv, MakePlatform);
  if (IsReportCommand(argc, argv)) return RunReportCommand(argc, argv, MakePlatform);
  const CommandLine commandLine = ReadCommandLine(argc, argv);
  if (!commandLine.run) return commandLine.exitStatus;
  if (const std::optional<QString> missing =
          MissingDisplay(ProgramEnvironmentVariable, SystemDisplayReach())) {
    Diagnostic() << "pelmor: no display for the window: " << *missing
                 << ". Without a window: " << ProgramCommandList() << " (each with --help).\n";
    return StatusAfterOutput(window_exit::kUsageError);
  }
  SetUpProgramLogging(commandLine.run->verbose);

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelmor"));
  // A broker that refuses the login or its certificate ends the program
  // before the window shows; one that cannot be reached only makes passes
  // wait, and the title says so.
  TMainForm* form = nullptr;
  // Passes waiting for the broker go out on Ctrl+C and a polite kill too, as
  // they do on File > Exit. The watch is set before the broker is reached: a
  // signal that comes while the window is being made is told once the event
  // loop runs, when the window is there.
  std::optional<InterruptWatch> interrupts;
  if (commandLine.publish) interrupts.emplace([&form](int) { form->MenuFileExitClick(); });
  std::unique_ptr<Publisher> publisher;
  if (commandLine.publish) {
    PublisherStart start = StartPublisher(
        *commandLine.publish, {[&form](BrokerState state) {
                                 if (form != nullptr) form->ShowBrokerState(state);
                               },
                               [](const QString& text) { qCWarning(lcApp).noquote() << text; }});
    if (!start.publisher) {
      qCCritical(lcApp).noquote() << start.error;
      return window_exit::kNoBroker;
    }
    publisher = std::move(start.publisher);
  }
  const std::unique_ptr<Platform> platform = MakePlatform(*commandLine.run);
  ProgramWindows windows(platform->Bundle(), [](std::chrono::milliseconds pause) {
    QThread::msleep(static_cast<unsigned long>(pause.count()));
  });
  form = &windows.MainForm();
  const ReportSaving reportSaving(*form);
  if (publisher) form->PublishPasses(*publisher, commandLine.publish->station);
  form->show();
  const int status = QApplication::exec();
  if (publisher) publisher->Finish(kQueueGrace);
  return status;
}
