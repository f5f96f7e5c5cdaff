#pragma once

class PassSeries;
class QWidget;
class TChartForm;

// The Chart window and `pelmor plot` draw with Qt Charts and Qt SVG, which
// take longer to load than the rest of the window's libraries together. Both
// are built into a module of their own (pelmor-charts.so) that the program
// loads the first time either is used, so that a start that draws no chart
// does not load those libraries. The module's one exported function gives
// these entries.
struct ChartModuleApi {
  // A new Chart window drawing series; parent owns it when given.
  TChartForm* (*makeChartWindow)(PassSeries& series, QWidget* parent);
  // `pelmor plot` (PlotCommand.h).
  int (*runPlotCommand)(int& argc, char** argv);
};

inline constexpr char kChartModuleFile[] = "pelmor-charts.so";
inline constexpr char kChartModuleEntry[] = "PelmorChartModuleApi";
using ChartModuleEntry = const ChartModuleApi* (*)();
