// Measures full 33-row read passes of the real main window on the threaded
// emulated rig, with real timers and the real event loop, and prints each
// pass's duration against its floor: 32 x 100 ms pacing between the 33
// transactions plus the time the 33 transfers take on the bus, the soonest the
// last outcome can come. The pass then ends at the next tick of either timer.
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
  ProgramWindows windows({adapter, rig->Ports()}, [](std::chrono::milliseconds) {});
  TMainForm& form = windows.MainForm();
  form.show();

  std::printf("pass  duration_ms  floor_ms  ratio\n");
  std::vector<double> ratios;
  for (int pass = 1; pass <= passes; ++pass) {
    adapter.NewPass();
    form.ReadDataBtnClick();
    while (!adapter.closed) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double duration = Millis(*adapter.closed - *adapter.firstTransaction).count();
    const double floor = 32 * 100.0 + Millis(adapter.busTime).count();
    ratios.push_back(duration / floor);
    std::printf("%4d  %11.2f  %8.2f  %.4f  (%d transactions)\n", pass, duration, floor,
                duration / floor, adapter.transactions);
  }
  std::sort(ratios.begin(), ratios.end());
  const double median = ratios[ratios.size() / 2];
  std::printf("median ratio %.4f (%.2f %% above the floor)\n", median, (median - 1) * 100);
  return 0;
}
