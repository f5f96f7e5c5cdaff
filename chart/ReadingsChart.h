#pragma once

#include <QChart>
#include <QColor>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>
#include <map>
#include <set>
#include <vector>

#include "chart/PassSeries.h"

// Draws the lines of a PassSeries on a Qt Charts chart: one vertical axis
// for each unit, labelled with it, on alternate sides; time along the bottom
// as clock time for a short test and as hours elapsed for a long one. A line
// is drawn in runs, one line series each, with its gaps between them.
// Drawing again reuses what was drawn before, so a window can redraw as
// passes come.
class ReadingsChart {
 public:
  // Tests shorter than this show clock time, longer ones hours elapsed.
  static constexpr qint64 kClockTimeSpanMs = 2 * 3600 * 1000;
  // A line broken more often than this has its shortest gaps bridged: a
  // chart of thousands of runs would take long to build and show no more.
  static constexpr int kMostRunsALine = 64;

  explicit ReadingsChart(QChart& chart);

  // Draws the series as they stand, leaving out the lines of hiddenRows.
  void Draw(const PassSeries& series, const std::set<int>& hiddenRows = {});

  // Lines under the chart's title that say what the picture cannot show:
  // a log's ambiguous zeros, breaks in its time.
  static void SetNotes(QChart& chart, const QStringList& notes);

  // "Voltage (V)"
  static QString LineName(const LineKey& key);
  // The colour of a line in this chart, the next one free when first asked.
  QColor LineColour(const LineKey& key);

 private:
  enum class TimeScale { None, Clock, Hours };
  struct DrawnLine {
    QColor colour;
    std::vector<QLineSeries*> runs;
  };

  // The lines shown on one axis: their range, and their colour if only one.
  struct AxisLines {
    int count = 0;
    double low = 0;
    double high = 0;
    QColor onlyColour;
    void Add(std::pair<double, double> range, const QColor& colour);
  };

  static void Scale(QValueAxis& axis, const AxisLines& lines);
  void SetTimeAxis(TimeScale scale, qint64 firstMs, qint64 lastMs);
  QValueAxis& ValueAxis(ChartAxis axis);
  DrawnLine& Drawn(const LineKey& key);
  QLineSeries& AddRunSeries(const LineKey& key, DrawnLine& line);
  QList<QPointF> OnTimeAxis(const std::vector<QPointF>& run, qint64 firstMs) const;

  QChart& chart_;
  TimeScale scale_ = TimeScale::None;
  QAbstractAxis* timeAxis_ = nullptr;
  qint64 clockOffsetMs_ = 0;  // from the passes' wall-clock times to the axis's
  std::map<ChartAxis, QValueAxis*> valueAxes_;
  std::map<LineKey, DrawnLine> drawn_;
  std::map<LineKey, QColor> colours_;
};

// Joins the runs across their shortest gaps until at most `most` remain.
void BridgeShortestGaps(std::vector<std::vector<QPointF>>& runs, int most);
