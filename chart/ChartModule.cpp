// The chart module's entry: the only symbol it exports.
#include "chart/ChartModule.h"

#include "chart/PlotCommand.h"
#include "chart/TChartForm.h"

extern "C" __attribute__((visibility("default"))) const ChartModuleApi* PelmorChartModuleApi() {
  static const ChartModuleApi api{
      [](PassSeries& series, QWidget* parent) { return new TChartForm(series, parent); },
      &RunPlotCommand};
  return &api;
}
