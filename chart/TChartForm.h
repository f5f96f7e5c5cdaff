#pragma once

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <map>
#include <optional>
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
//
// The chart is worked in: the wheel zooms about the cursor, dragging a
// rectangle zooms into it, dragging with the right button (or Shift held)
// pans, and Reset view fits every line again. Under the cursor a read-out
// gives the time and every drawn value there. "Along" switches between time
// and the charge delivered (the discharge curve), and Export... writes what
// is visible as PNG, SVG or CSV.
class TChartForm : public QWidget, public PassFeed {
 public:
  static constexpr std::chrono::hours kKept{7 * 24};
  // Buckets a line: about the chart's width in pixels on a large screen.
  static constexpr int kBucketsALine = 1024;

  // How the window's series keeps its passes: the last 7 days. Defined here,
  // so the program files its passes before the chart module is loaded.
  static PassSeries::Options SeriesOptions() { return {{}, kKept, kBucketsALine, {}, {}, true}; }

  explicit TChartForm(PassSeries& series, QWidget* parent = nullptr);

  // A pass of the running scan, as it ends.
  void AddPass(const ChartPass& pass) override;

  // For tests: the check box of a register, once one of its passes came.
  QCheckBox* CheckBoxOf(int row) const;
  QComboBox& AlongBox() { return *along_; }
  QLabel& ReadOutLabel() { return *readOut_; }
  QLabel& DeliveredLabel() { return *delivered_; }
  // What the cursor at this point of the view reads, and shows it.
  void ShowReadOut(QPointF viewPoint);
  // Zooms by this factor about a point of the view (above 1: in), holding the ranges.
  void ZoomAt(QPointF viewPoint, double factor);
  void Pan(QPointF by);
  void ResetView();
  // Writes what is visible to a file: .png, .svg or .csv; why not, when it could not.
  std::optional<QString> Export(const QString& path);
  QChart& Chart() { return *chart_; }
  // How often the chart was drawn.
  int Drawings() const { return drawings_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void QueueDraw();
  void Draw();
  void AddCheckBoxes();

  void ExportAsked();
  QString VisibleCsv() const;

  // The chart's view, timing its painting, and handing the mouse to the form.
  class View : public QChartView {
   public:
    View(QChart* chart, TChartForm& form);
    qint64 paintingMs = 0;

   protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

   private:
    TChartForm& form_;
    std::optional<QPointF> panFrom_;
  };

  PassSeries& series_;
  QChart* chart_;  // the view's
  View* view_;
  ReadingsChart readings_;
  QComboBox* along_;
  QPushButton* reset_;
  QPushButton* export_;
  QLabel* readOut_;
  QLabel* delivered_;
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
