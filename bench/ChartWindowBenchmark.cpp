// Continuous auto-repeat over all 33 rows on the deterministic rig's virtual
// clock, each pass handed to the Chart window as it ends, with the window on
// the screen and the event loop running between passes as it would in the
// program. Prints the time a hand-over takes (the scan's share), the time a
// drawing takes (the event loop's, between passes), how many passes each
// drawing held, and the resident memory after the first virtual day and at
// the end: the window keeps 7 days, and no more.
//
// Usage: chart_window_benchmark [hours] [--hold SECONDS]   (default 8 hours)
// It needs a display: xvfb-run -a build/bench/chart_window_benchmark 200
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>
#include <vector>

#include "bench/RigScan.h"
#include "chart/ScanPassCollector.h"
#include "chart/TChartForm.h"

namespace {

// Keeps each pass the scan's events put together as it ends, for the loop
// below to hand to the window and time the hand-over.
class EndedPasses : public PassFeed {
 public:
  void AddPass(const ChartPass& pass) override { ended_ = pass; }
  std::optional<ChartPass> Take() { return std::exchange(ended_, std::nullopt); }

 private:
  std::optional<ChartPass> ended_;
};

// The time this thread has run, in milliseconds: what the scan's thread
// gives, whatever else the computer does meanwhile.
double ThreadMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList arguments = QApplication::arguments();
  const int hours = arguments.size() > 1 ? arguments[1].toInt() : 8;
  const qsizetype hold = arguments.indexOf(QStringLiteral("--hold"));
  const int holdSeconds = hold > 0 && hold + 1 < arguments.size() ? arguments[hold + 1].toInt() : 0;
  if (hours < 1) {
    std::fprintf(stderr, "usage: chart_window_benchmark [hours >= 1] [--hold SECONDS]\n");
    return 2;
  }

  PassSeries series(TChartForm::SeriesOptions());
  TChartForm window(series);
  window.show();
  RigScan scan;
  EndedPasses ended;
  ScanPassCollector collector(ended);
  scan.Engine().AddObserver(collector);
  const long startKiB = ResidentKiB();
  long dayKiB = 0;
  std::vector<double> handOverUs;
  std::vector<double> drawingMs;
  std::vector<double> drawingWallMs;
  QElapsedTimer wall;
  wall.start();

  scan.Start(RepeatInterval::Continuous);
  const auto end = scan.Now() + std::chrono::hours(hours);
  while (scan.Now() < end) {
    scan.AdvanceRig();
    scan.FireDueTimers();
    if (std::optional<ChartPass> pass = ended.Take()) {
      double started = ThreadMs();
      window.AddPass(*pass);
      handOverUs.push_back((ThreadMs() - started) * 1e3);
      // The event loop between this pass and the next: the drawing, when one
      // is due, and the painting it asks for.
      const int drawings = window.Drawings();
      started = ThreadMs();
      QElapsedTimer wallClock;
      wallClock.start();
      QCoreApplication::processEvents();
      QCoreApplication::processEvents();
      if (window.Drawings() > drawings) {
        drawingMs.push_back(ThreadMs() - started);
        drawingWallMs.push_back(static_cast<double>(wallClock.nsecsElapsed()) / 1e6);
      }
    }
    if (!dayKiB && scan.Now() >= std::chrono::hours(24)) dayKiB = ResidentKiB();
  }
  const long endKiB = ResidentKiB();

  std::printf("virtual hours      %d, %.1f s of real time\n", hours,
              static_cast<double>(wall.elapsed()) / 1000);
  std::printf("passes handed over %zu, drawn %zu times (a drawing at most once a second)\n",
              handOverUs.size(), drawingMs.size());
  std::printf(
      "hand-over          median %.1f us, 99th percentile %.1f us, longest %.1f us "
      "(thread time)\n",
      Percentile(handOverUs, 0.5), Percentile(handOverUs, 0.99), Percentile(handOverUs, 1.0));
  std::printf(
      "drawing            median %.1f ms, longest %.1f ms (thread time); median %.1f "
      "ms, longest %.1f ms (wall clock, with the display's share)\n",
      Percentile(drawingMs, 0.5), Percentile(drawingMs, 1.0), Percentile(drawingWallMs, 0.5),
      Percentile(drawingWallMs, 1.0));
  std::printf(
      "resident memory    %ld KiB at the start, %ld KiB after the first virtual day, %ld "
      "KiB at the end\n",
      startKiB, dayKiB, endKiB);

  QElapsedTimer held;
  held.start();
  while (held.elapsed() < holdSeconds * 1000LL) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    QThread::msleep(20);
  }
  return 0;
}
