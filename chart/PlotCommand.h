#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "chart/PassSeries.h"
#include "chart/ReadingsChart.h"
#include "platform/ExitStatusHelp.h"

// `pelmor plot LOGFILE... [REGISTER...] -o FILE [--size WxH] [--from T] [--to T]
// [--x elapsed|clock|capacity] [--events]`: a log file (the window's, or
// `pelmor read --format csv`'s) drawn as a chart into a PNG, SVG or PDF
// file, with no display. Several logs are drawn over one another from their
// first records, one colour each.
//
// Exit status: 0 the chart holds every line of the log (of every log); 1 the
// chart was written, but lines of a log were skipped or read with a problem
// (each is named on standard error), or the output could not be written; 2 a
// usage error; 3 no chart was written: a log could not be read, is not a log,
// or holds no reading of the registers asked for, or the picture could not be
// written.
namespace plot_exit {
inline constexpr int kWholeLog = 0;
inline constexpr int kLinesSkipped = 1;
inline constexpr int kUsageError = 2;
inline constexpr int kNoChart = 3;
}  // namespace plot_exit

// What each status means, as `pelmor plot --help` and the manual page say.
inline constexpr std::array kPlotExitStatuses{
    ExitStatusMeaning{plot_exit::kWholeLog,
                      "the chart holds every line of the log (of every log, when several are "
                      "compared)"},
    ExitStatusMeaning{plot_exit::kLinesSkipped,
                      "the chart was written, but lines of a log were skipped or read with a "
                      "problem (each is named on standard error); or the output could not be "
                      "written"},
    ExitStatusMeaning{plot_exit::kUsageError, "a usage error"},
    ExitStatusMeaning{plot_exit::kNoChart,
                      "no chart was written: a log could not be read, is not a log, or holds "
                      "no reading of the registers asked for, or the picture could not be written"},
};

struct PlotRequest {
  QStringList logPaths;   // one, or several to compare
  std::vector<int> rows;  // in row order; empty: every register that is a number
  QString outputPath;
  QSize size;
  std::optional<TimeBound> from;
  std::optional<TimeBound> to;
  ReadingsChart::TimeScale scale = ReadingsChart::TimeScale::Chosen;
  bool alongCharge = false;  // --x capacity: the discharge curve
  bool events = false;       // --events: mark and name alarms, failures, mode switches
};

// The request, or the usage error to print.
struct PlotParse {
  std::optional<PlotRequest> request;
  QString error;
  QString usage;
  bool helpAsked = false;
};

PlotParse ParsePlotCommand(const QStringList& arguments);

inline bool IsPlotCommand(int argc, char** argv) {
  return argc > 1 && std::strcmp(argv[1], "plot") == 0;
}
int RunPlotCommand(int& argc, char** argv);
