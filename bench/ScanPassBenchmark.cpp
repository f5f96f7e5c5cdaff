// Measures full 33-row read passes of the real main window on the threaded
// emulated rig, with real timers and the real event loop, against their
// floor: 32 x 100 ms pacing between the 33 transactions plus the time the 33
// transfers take on the bus, the soonest the last outcome can come. Two
// figures a pass: the pacing, from the first transaction to the handling of
// the last reply, which holds every step's own delay; and the whole pass, up
// to the link's close at the next tick of either timer after the last reply.
//
// With --chart, the same passes again with the Chart window open and drawing
// each pass as it ends, and both medians side by side.
//
// Usage: scan_pass_benchmark [passes] [--chart]   (default 10)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/ProgramWindows.h"
#include "bench/TimingAdapter.h"
#include "emulator/EmulatedRig.h"
#include "emulator/SmbusTiming.h"

namespace {

using Millis = std::chrono::duration<double, std::milli>;

struct Medians {
  double pacing;
  double pass;
};

Medians RunPasses(TMainForm& form, TimingAdapter& adapter, int passes) {
  std::printf("pass  pacing_ms  pass_ms  floor_ms  pacing_ratio  pass_ratio\n");
  std::vector<double> ratios;
  std::vector<double> pacingRatios;
  for (int pass = 1; pass <= passes; ++pass) {
    adapter.NewPass();
    form.ReadDataBtn->click();
    while (!adapter.closed) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double duration = Millis(*adapter.closed - *adapter.firstTransaction).count();
    const double pacing = Millis(*adapter.lastReply - *adapter.firstTransaction).count();
    const double floor = 32 * 100.0 + Millis(adapter.busTime).count();
    ratios.push_back(duration / floor);
    pacingRatios.push_back(pacing / floor);
    std::printf("%4d  %9.2f  %7.2f  %8.2f  %12.5f  %10.4f  (%d transactions)\n", pass, pacing,
                duration, floor, pacing / floor, duration / floor, adapter.transactions);
  }
  std::sort(ratios.begin(), ratios.end());
  std::sort(pacingRatios.begin(), pacingRatios.end());
  const Medians medians{pacingRatios[pacingRatios.size() / 2], ratios[ratios.size() / 2]};
  std::printf("median pacing ratio %.5f (%.3f ms a step above the 100 ms)\n", medians.pacing,
              (medians.pacing - 1) * (32 * 100.0 + 19) / 32);
  std::printf("median pass ratio %.4f\n", medians.pass);
  return medians;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const QStringList arguments = QApplication::arguments();
  const int passes = arguments.size() > 1 ? std::max(1, arguments[1].toInt()) : 10;
  const bool chart = arguments.contains(QStringLiteral("--chart"));

  const auto rig = EmulatedRig::Threaded();
  TimingAdapter adapter(rig->Adapter(), rig->Battery());
  ProgramWindows windows({adapter, rig->Ports(), rig->Probe()}, [](std::chrono::milliseconds) {});
  TMainForm& form = windows.MainForm();
  form.show();

  const Medians without = RunPasses(form, adapter, passes);
  if (!chart) return 0;
  form.MenuViewChartClick();
  std::printf("\nthe same with the Chart window open, drawing each pass:\n");
  const Medians with = RunPasses(form, adapter, passes);
  std::printf("\npacing ratio without the chart %.5f, with it %.5f: %+.3f %%\n", without.pacing,
              with.pacing, (with.pacing / without.pacing - 1) * 100);
  std::printf("chart drawn %d times\n", form.Chart().Window()->Drawings());
  return 0;
}
