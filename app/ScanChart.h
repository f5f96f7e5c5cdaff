#pragma once

#include <memory>

#include "chart/PassSeries.h"
#include "chart/ScanPassCollector.h"
#include "chart/TChartForm.h"
#include "scan/ScanEngine.h"

// The chart of the running scan: every read pass is filed in the series from
// the program's start, and the Chart window, made by the chart module the
// first time it is asked for, draws them and those that follow. When the
// module cannot be loaded, an error box says why. The window belongs to the main
// window: it closes with it, and does not keep the program running.
class ScanChart : private PassFeed {
 public:
  ScanChart(ScanEngine& engine, QWidget& mainWindow);
  ~ScanChart() override;
  ScanChart(const ScanChart&) = delete;
  ScanChart& operator=(const ScanChart&) = delete;

  // Shows the Chart window and brings it to the front.
  void ShowWindow();
  // None until first shown.
  TChartForm* Window() { return window_.get(); }

 private:
  void AddPass(const ChartPass& pass) override;

  ScanEngine& engine_;
  QWidget& mainWindow_;
  PassSeries series_{TChartForm::SeriesOptions()};
  ScanPassCollector collector_{*this};
  std::unique_ptr<TChartForm> window_;
};
