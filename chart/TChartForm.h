#pragma once

#include <QChartView>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <map>
#include <set>

#include "chart/PassSeries.h"
#include "chart/ReadingsChart.h"

// The Chart window: the passes of the running scan as lines that grow while
// the test runs, with a check box per register to show or hide its line. It
// keeps the last 7 days of passes at any interval, in a fixed memory.
//
// A discharge test's curve shows at first: Temperature, Voltage, Current,
// RelStateOfCharge and RemainingCapacity, when the scan reads any of them;
// the other registers are a tick away, since all 24 at once would need nine
// axes side by side.
//
// Handing it a pass only files the readings; the chart is drawn afterwards
// from the event loop, at most about once a second, so a scan that hands its
// passes over as they end goes on at its own pace.
//
// The series it draws is handed in: passes filed there before the window was
// made are drawn when it first shows.
class TChartForm : public QWidget, public PassFeed {
 public:
  static constexpr std::chrono::hours kKept{7 * 24};
  // Buckets a line: about the chart's width in pixels on a large screen.
  static constexpr int kBucketsALine = 1024;

  // How the window's series keeps its passes: the last 7 days. Defined here,
  // so the program files its passes before the chart module is loaded.
  static PassSeries::Options SeriesOptions() { return {{}, kKept, kBucketsALine}; }

  explicit TChartForm(PassSeries& series, QWidget* parent = nullptr);

  // A pass of the running scan, as it ends.
  void AddPass(const ChartPass& pass) override;

  // For tests: the check box of a register, once one of its passes came.
  QCheckBox* CheckBoxOf(int row) const;
  QChart& Chart() { return *chart_; }
  // How often the chart was drawn.
  int Drawings() const { return drawings_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void QueueDraw();
  void Draw();
  void AddCheckBoxes();

  // The chart's view, timing its painting.
  class View : public QChartView {
   public:
    using QChartView::QChartView;
    qint64 paintingMs = 0;

   protected:
    void paintEvent(QPaintEvent* event) override;
  };

  PassSeries& series_;
  QChart* chart_;  // the view's
  View* view_;
  ReadingsChart readings_;
  QScrollArea* boxScroll_;
  QWidget* boxList_;
  QVBoxLayout* boxes_;
  std::map<int, QCheckBox*> checkBoxes_;
  std::set<int> hiddenRows_;
  // Passes that came too soon after a drawing are drawn when the next
  // comes, or when none has come for a while.
  QTimer catchUp_;
  QElapsedTimer sinceDrawn_;
  QElapsedTimer sinceLastPass_;
  qint64 drawingMs_ = 0;
  bool drawQueued_ = false;
  int drawings_ = 0;
};
