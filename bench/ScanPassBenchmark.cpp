// Measures full 33-row read passes of the real main window on the threaded
// emulated rig, with real timers and the real event loop, against their
// floor: 32 x 100 ms pacing between the 33 transactions plus the time the 33
// transfers take on the bus, the soonest the last outcome can come. Two
// figures a pass: the pacing, from the first transaction to the handling of
// the last reply, which holds every step's own delay; and the whole pass, up
// to the link's close at the next tick of either timer after the last reply.
//
// Usage: scan_pass_benchmark [passes]   (default 10)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "EmulatedRig.h"
#include "ProgramWindows.h"
#include "SmbusTiming.h"
#include "TimingAdapter.h"

namespace {

using Millis = std::chrono::duration<double, std::milli>;

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

  const auto rig = EmulatedRig::Threaded();
  TimingAdapter adapter(rig->Adapter(), rig->Battery());
  ProgramWindows windows({adapter, rig->Ports(), rig->Probe()}, [](std::chrono::milliseconds) {});
  TMainForm& form = windows.MainForm();
  form.show();

  std::printf("pass  pacing_ms  pass_ms  floor_ms  pacing_ratio  pass_ratio\n");
  std::vector<double> ratios;
  std::vector<double> pacingRatios;
  for (int pass = 1; pass <= passes; ++pass) {
    adapter.NewPass();
    form.ReadDataBtnClick();
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
  const double pacingMedian = pacingRatios[pacingRatios.size() / 2];
  const double median = ratios[ratios.size() / 2];
  std::printf("median pacing ratio %.5f (%.3f ms a step above the 100 ms)\n", pacingMedian,
              (pacingMedian - 1) * (32 * 100.0 + 19) / 32);
  std::printf("median pass ratio %.4f\n", median);
  return 0;
}
