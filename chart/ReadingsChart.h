#pragma once

#include <QCategoryAxis>
#include <QChart>
#include <QColor>
#include <QLineSeries>
#include <QValueAxis>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "chart/PassSeries.h"

// Draws the lines of a PassSeries on a Qt Charts chart: one vertical axis
// for each unit, labelled with it, on alternate sides; time along the bottom
// as the log's clock read it, or as time elapsed since its first pass. A line
// is drawn in runs, one line series each, with its gaps and the breaks in
// time between them.
// Drawing again reuses what was drawn before, so a window can redraw as
// passes come.
class ReadingsChart {
 public:
  // Unless asked, tests shorter than this show clock time, longer ones time elapsed.
  static constexpr qint64 kClockTimeSpanMs = 2 * 3600 * 1000;
  enum class TimeScale { Chosen, Clock, Elapsed };
  // A line broken more often than this has its shortest gaps bridged: a
  // chart of thousands of runs would take long to build and show no more.
  static constexpr int kMostRunsALine = 64;
  // Breaks and events marked at most; the rest are named, not drawn.
  static constexpr std::size_t kMostMarks = 200;

  explicit ReadingsChart(QChart& chart, TimeScale scale = TimeScale::Chosen);

  // Along time (the default) or along the charge delivered: the discharge curve.
  void SetAlong(PassSeries::Along along) { along_ = along; }
  PassSeries::Along Along() const { return along_; }

  // While held, drawing keeps the axes' ranges as a person zoomed or panned
  // them; released, they fit the lines again.
  void HoldRanges(bool held) { held_ = held; }
  bool RangesHeld() const { return held_; }
  // Marks the series' events (alarms, failed passes, mode switches) along time.
  void ShowEvents(bool shown) { showEvents_ = shown; }

  // What the lines read at this place along the bottom axis: "12/07/2026
  // 10:15:30 (2:15:30 elapsed): Voltage 11.93 V, Current -1.5 A".
  QString ReadOut(const PassSeries& series, double x, const std::set<int>& hiddenRows) const;

  // Draws the series as they stand, leaving out the lines of hiddenRows.
  void Draw(const PassSeries& series, const std::set<int>& hiddenRows = {});

  // A log among several compared: its name in the legend, and its passes.
  struct ComparedLog {
    QString name;
    const PassSeries* series = nullptr;
  };
  // Each log compared has a colour of its own, each register a line style.
  static constexpr std::size_t kMostComparedLogs = 12;
  static constexpr std::size_t kMostComparedRegisters = 5;
  // Draws several logs over one another from their first passes, along the
  // time elapsed since then (whatever the time scale) or along the charge
  // delivered. For a picture drawn once: drawing again adds to it.
  void DrawCompared(const std::vector<ComparedLog>& logs);

  // The units whose axes show no numbers: at this size there was no room for
  // them whole, even in the smallest type.
  QStringList LeftOutScales() const;

  // Lines under the chart's title that say what the picture cannot show:
  // a log's ambiguous zeros, breaks in its time.
  static void SetNotes(QChart& chart, const QStringList& notes);

  // "Voltage (V)"
  static QString LineName(const LineKey& key);
  // The colour of a line in this chart, the next one free when first asked.
  QColor LineColour(const LineKey& key);
  // Solid for the first dozen lines, then dashed, then dotted.
  Qt::PenStyle LineStyle(const LineKey& key);

 private:
  struct DrawnLine {
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
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

  void Scale(QValueAxis& axis, ChartAxis unit, const AxisLines& lines) const;
  void AddTimeAxis();
  void SetComparedTimeAxis(const std::vector<ComparedLog>& logs);
  void DrawComparedLog(const ComparedLog& log, const QColor& colour,
                       const std::map<int, Qt::PenStyle>& styles,
                       std::map<ChartAxis, AxisLines>& axisLines);
  void MarkComparedLog(const ComparedLog& log, const QColor& colour);
  void ScaleValueAxes(const std::map<ChartAxis, AxisLines>& axisLines);
  void SetTimeAxis(const PassSeries& series);
  void SetChargeAxis(std::pair<qint64, qint64> extent);
  void SetBottomTicks(const std::vector<TimeTick>& ticks, double from, double to);
  void Mark(std::vector<QLineSeries*>& marks, const std::vector<double>& xs, const QPen& pen);
  int FontPixels() const;
  void ScaleFonts();
  int MostBottomTicks() const;
  struct CutLabels {
    bool bottom = false;  // a tick label of the bottom axis
    bool side = false;    // a tick label or a title of a value axis
  };
  CutLabels FindCutLabels() const;
  void SetValueAxisFonts(int pixels);
  bool LeaveOutAScale();
  void FitLabels(const std::function<void()>& setBottomAxis);
  QValueAxis& ValueAxis(ChartAxis axis);
  DrawnLine& Drawn(const LineKey& key);
  QLineSeries& AddRunSeries(const LineKey& key, DrawnLine& line);

  QChart& chart_;
  TimeScale scale_;
  PassSeries::Along along_ = PassSeries::Along::Time;
  bool held_ = false;
  QCategoryAxis* timeAxis_ = nullptr;
  std::map<ChartAxis, QValueAxis*> valueAxes_;
  std::map<LineKey, DrawnLine> drawn_;
  std::map<LineKey, QColor> colours_;
  std::map<LineKey, Qt::PenStyle> styles_;
  std::vector<QLineSeries*> breakMarks_;
  std::vector<QLineSeries*> eventMarks_;
  bool showEvents_ = false;
  int fontPixels_ = 0;
  int valueFontPixels_ = 0;
  double labelRoom_ = 0;  // the width a bottom label is given: a tick at most this often
  std::set<ChartAxis> unlabelled_;
  int fontAxes_ = 0;
  std::vector<TimeTick> bottomTicks_;
};

// Joins the runs across their shortest gaps until at most `most` remain.
void BridgeShortestGaps(std::vector<std::vector<QPointF>>& runs, int most);

// Splits the runs at the breaks in time: no line crosses one.
void SplitAtBreaks(std::vector<std::vector<QPointF>>& runs,
                   const std::vector<TimeAxisMap::Break>& breaks);
