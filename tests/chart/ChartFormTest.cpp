// The Chart window, headless: passes become lines, drawn from the event loop
// after the hand-over, and a check box hides its register's line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QGraphicsItemGroup>
#include <QGraphicsLayout>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

#include "chart/ChartPicture.h"
#include "chart/TChartForm.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/WidgetTestRun.h"

namespace {

ChartPass Pass(int second) {
  return {QDateTime(QDate(2026, 12, 7), QTime(9, 0, 0)).addSecs(second),
          {{9, "12283"}, {10, "-1500"}, {23, "42"}}};
}

// Points drawn for a line, over all its runs.
qsizetype PointsOf(QChart& chart, const QString& name) {
  qsizetype points = 0;
  for (QAbstractSeries* series : chart.series()) {
    if (series->name() == name) points += static_cast<QLineSeries*>(series)->count();
  }
  return points;
}

}  // namespace

TEST(ChartForm, PassesShowAsTheCurvesLinesAndACheckBoxHidesOne) {
  PassSeries series{TChartForm::SeriesOptions()};
  TChartForm form{series};
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const int drawn = form.Drawings();
  for (int pass = 0; pass < 3; ++pass) form.AddPass(Pass(pass * 4));
  EXPECT_EQ(form.Drawings(), drawn) << "the hand-over only files the pass";
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Drawings() > drawn; }));

  ASSERT_TRUE(form.CheckBoxOf(9) && form.CheckBoxOf(10) && form.CheckBoxOf(23));
  EXPECT_TRUE(form.CheckBoxOf(9)->isChecked());
  EXPECT_FALSE(form.CheckBoxOf(23)->isChecked()) << "a count is not on a discharge's curve";
  EXPECT_EQ(form.CheckBoxOf(9)->text(), QStringLiteral("Voltage (V)"));
  EXPECT_GT(PointsOf(form.Chart(), "Voltage (V)"), 0);
  EXPECT_EQ(PointsOf(form.Chart(), "CycleCount (count)"), 0);

  const int before = form.Drawings();
  form.CheckBoxOf(9)->setChecked(false);
  form.CheckBoxOf(23)->setChecked(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Drawings() > before; }));
  EXPECT_EQ(PointsOf(form.Chart(), "Voltage (V)"), 0);
  EXPECT_GT(PointsOf(form.Chart(), "CycleCount (count)"), 0);
  EXPECT_GT(PointsOf(form.Chart(), "Current (A)"), 0);
}

// An hour at 1.5 A, a pass a minute: zoom, read-out, the curve and export.
TEST(ChartForm, AZoomedChartHoldsItsRangeReadsOutUnderTheCursorAndExportsWhatIsVisible) {
  PassSeries series{TChartForm::SeriesOptions()};
  TChartForm form{series};
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const int first = form.Drawings();
  for (int minute = 0; minute <= 60; ++minute) form.AddPass(Pass(minute * 60));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Drawings() > first; }));
  EXPECT_EQ(form.DeliveredLabel().text(),
            "Delivered 1500 mAh, 18425 mWh (from Current, over 1.00 h)");

  auto* bottom = qobject_cast<QValueAxis*>(form.Chart().axes(Qt::Horizontal).front());
  ASSERT_TRUE(bottom);
  const double fullSpan = bottom->max() - bottom->min();
  const QPointF middle = form.Chart().mapToPosition(
      QPointF((bottom->min() + bottom->max()) / 2, 12.283), form.Chart().series().front());
  const auto* view = form.findChild<QGraphicsView*>("ChartView");
  ASSERT_TRUE(view);
  const QPointF viewPoint = view->mapFromScene(form.Chart().mapToScene(middle));
  form.ZoomAt(viewPoint, 4);
  form.AddPass(Pass(61 * 60));
  const int drawn = form.Drawings();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Drawings() > drawn; }));
  EXPECT_NEAR(bottom->max() - bottom->min(), fullSpan / 4, fullSpan / 100)
      << "a new pass leaves the zoom alone";

  form.ShowReadOut(viewPoint);
  EXPECT_TRUE(form.ReadOutLabel().text().startsWith("12/07/2026 09:3"))
      << form.ReadOutLabel().text();
  EXPECT_TRUE(form.ReadOutLabel().text().contains("Voltage 12.283 V, Current -1.5 A"))
      << form.ReadOutLabel().text();

  QTemporaryDir dir;
  ASSERT_FALSE(form.Export(dir.filePath("visible.csv")));
  QFile csv(dir.filePath("visible.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> rows = csv.readAll().split('\n');
  EXPECT_EQ(rows.front(), "Line,Time,Value\r");
  EXPECT_TRUE(rows[1].startsWith("Voltage (V),12/07/2026 09:")) << rows[1].toStdString();
  EXPECT_LT(rows.count(), 2 * 61) << "only the points in view";
  EXPECT_EQ(form.Export(dir.filePath("chart.gif")), "its name does not end in .png, .svg or .csv");

  form.ResetView();
  form.AlongBox().setCurrentIndex(1);
  const int before = form.Drawings();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Drawings() > before; }));
  EXPECT_EQ(bottom->titleText(), "Charge delivered since the first pass (mAh)");
  EXPECT_NEAR(bottom->max(), 1600 * 1000, 200 * 1000);
}

// The same chart without a window: a short test on the log's clock, a long
// one on time elapsed, one axis per unit titled with it, and a gap between two runs.
TEST(ReadingsChart, AxesFollowTheUnitsAndTheTestsLength) {
  QChart chart;
  ReadingsChart readings(chart);
  PassSeries series({});
  series.AddPass(Pass(0));
  series.AddPass({Pass(60).start, {{9, "0", true}, {10, "-1500"}}});
  series.AddPass(Pass(120));
  readings.Draw(series);

  QStringList titles;
  for (QAbstractAxis* axis : chart.axes(Qt::Vertical)) titles << axis->titleText();
  EXPECT_EQ(titles, (QStringList{"V", "A", "count"}));
  ASSERT_EQ(chart.axes(Qt::Horizontal).size(), 1);
  EXPECT_EQ(chart.axes(Qt::Horizontal)[0]->titleText(), QStringLiteral("Time on the log's clock"));
  qsizetype voltageRuns = 0;
  for (QAbstractSeries* run : chart.series()) {
    const bool drawn = static_cast<QLineSeries*>(run)->count() > 0;
    voltageRuns += run->name() == "Voltage (V)" && drawn ? 1 : 0;
  }
  EXPECT_EQ(voltageRuns, 2) << "the pass given up breaks the line";

  series.AddPass(Pass(3 * 3600));
  readings.Draw(series);
  ASSERT_EQ(chart.axes(Qt::Horizontal).size(), 1);
  const auto* hours = qobject_cast<QValueAxis*>(chart.axes(Qt::Horizontal)[0]);
  ASSERT_TRUE(hours);
  EXPECT_EQ(hours->titleText(), QStringLiteral("h:mm since 12/07/2026 09:00:00"));
  EXPECT_DOUBLE_EQ(hours->max(), 3.0 * 3600 * 1000);
}

TEST(ReadingsChart, AnAxisWhoseLinesReadOneValueStillHasARange) {
  for (const char* current : {"0", "-1500", "2000"}) {
    QChart chart;
    ReadingsChart readings(chart);
    PassSeries series({});
    series.AddPass({Pass(0).start, {{10, current}}});
    readings.Draw(series);
    const auto* amps = qobject_cast<QValueAxis*>(chart.axes(Qt::Vertical).at(0));
    ASSERT_TRUE(amps);
    EXPECT_LT(amps->min(), amps->max()) << current;
    const double value = QString(current).toDouble() / 1000;
    EXPECT_TRUE(amps->min() <= value && value <= amps->max()) << current;
  }
}

TEST(ChartPicture, APictureThatCannotBeWrittenSaysWhyAndLeavesNoFile) {
  ChartPicture picture(QSize(400, 300));
  const std::optional<QString> error = picture.Write("/nonexistent-folder/chart.png");
  ASSERT_TRUE(error);
  EXPECT_FALSE(error->isEmpty());
  EXPECT_FALSE(QFile::exists("/nonexistent-folder/chart.png"));
  EXPECT_EQ(picture.Write("chart.gif"),
            QStringLiteral("its name does not end in .png, .svg or .pdf"));
}

// Two logs taken hours apart, compared: each starts at 0, each in a colour of
// its own, each register in the same style in both.
TEST(ReadingsChart, LogsComparedStartTogetherEachInItsColourEachRegisterInItsStyle) {
  PassSeries morning({});
  PassSeries afternoon({});
  for (int pass = 0; pass < 3; ++pass) morning.AddPass(Pass(pass * 4));
  for (int pass = 0; pass < 4; ++pass) afternoon.AddPass(Pass(5 * 3600 + pass * 4));
  QChart chart;
  ReadingsChart readings(chart, ReadingsChart::TimeScale::Clock);
  readings.DrawCompared({{"a.log", &morning}, {"b.log", &afternoon}});

  std::map<QString, QPen> pens;
  std::map<QString, double> starts;
  for (QAbstractSeries* series : chart.series()) {
    const auto* run = static_cast<QLineSeries*>(series);
    if (run->name().isEmpty() || run->count() == 0) continue;
    pens[run->name()] = run->pen();
    const double start = run->at(0).x();
    starts[run->name()] = starts.count(run->name()) ? std::min(starts[run->name()], start) : start;
  }
  ASSERT_EQ(pens.size(), 6U) << "Voltage, Current and CycleCount of each log";
  for (const auto& [name, start] : starts) EXPECT_EQ(start, 0) << name;
  EXPECT_EQ(pens["a.log: Voltage (V)"].color(), pens["a.log: Current (A)"].color());
  EXPECT_NE(pens["a.log: Voltage (V)"].color(), pens["b.log: Voltage (V)"].color());
  EXPECT_EQ(pens["a.log: Voltage (V)"].style(), pens["b.log: Voltage (V)"].style());
  EXPECT_NE(pens["a.log: Voltage (V)"].style(), pens["a.log: Current (A)"].style());
  const auto* time = qobject_cast<QCategoryAxis*>(chart.axes(Qt::Horizontal).at(0));
  ASSERT_TRUE(time);
  EXPECT_EQ(time->titleText(), QStringLiteral("h:mm since each log's first record"));
  EXPECT_EQ(time->max(), 12000) << "the longer log sets the axis";
}

// Every tick label is whole at every size a picture can have: Qt Charts cuts
// a label that has no room to "5..." without saying so. Across midnight the
// clock's labels carry the date; the values are as wide as a pack's get.
TEST(ChartPicture, NoTickLabelIsCutAtAnySize) {
  const auto pass = [](int minutes, int step) {
    const auto number = [](int value) { return QString::number(value); };
    return ChartPass{QDateTime(QDate(2026, 12, 7), QTime(23, 30)).addSecs(minutes * 60),
                     {{1, "440"},
                      {4, number(-25000 + step * 9000)},
                      {8, number(2982 + step * 150)},
                      {9, number(12600 - step * 1800)},
                      {10, number(-1500 - step * 1000)},
                      {13, number(94 - step * 45)},
                      {15, number(4400 - step * 2150)},
                      {17, number(65534 - step * 30000)},
                      {20, "2000"},
                      {23, "42"},
                      {28, "12345"}}};
  };
  const struct {
    QSize size;
    ReadingsChart::TimeScale scale;
  } cases[] = {
      {{200, 200}, ReadingsChart::TimeScale::Clock},
      {{200, 200}, ReadingsChart::TimeScale::Elapsed},
      {{320, 200}, ReadingsChart::TimeScale::Clock},
      {{200, 600}, ReadingsChart::TimeScale::Clock},
      {{480, 300}, ReadingsChart::TimeScale::Elapsed},
      {{640, 400}, ReadingsChart::TimeScale::Clock},
      {{1000, 600}, ReadingsChart::TimeScale::Clock},
      {{1600, 900}, ReadingsChart::TimeScale::Clock},
      {{1600, 900}, ReadingsChart::TimeScale::Elapsed},
      {{3000, 300}, ReadingsChart::TimeScale::Clock},
      {{8000, 8000}, ReadingsChart::TimeScale::Clock},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(QStringLiteral("%1x%2 %3")
                     .arg(c.size.width())
                     .arg(c.size.height())
                     .arg(c.scale == ReadingsChart::TimeScale::Clock ? "clock" : "elapsed")
                     .toStdString());
    PassSeries series({});
    for (int step = 0; step < 3; ++step) series.AddPass(pass(step * 45, step));
    ChartPicture picture(c.size);
    picture.Chart().setTitle(QStringLiteral("log.txt: 12/07/2026 23:30:00 to 12/08/2026 01:00:00"));
    ReadingsChart readings(picture.Chart(), c.scale);
    readings.Draw(series);
    picture.Chart().layout()->activate();

    // Qt Charts keeps each axis's tick labels in a group of their own.
    QStringList labels;
    for (QGraphicsItem* item : picture.Chart().scene()->items()) {
      const auto* text = qgraphicsitem_cast<QGraphicsTextItem*>(item);
      if (!text || !text->isVisible() || !item->parentItem() ||
          !qgraphicsitem_cast<QGraphicsItemGroup*>(item->parentItem())) {
        continue;
      }
      labels << text->toPlainText();
    }
    EXPECT_GE(labels.size(), 2) << "the bottom labelled";
    for (const QString& label : labels) EXPECT_FALSE(label.endsWith("...")) << label;
    if (c.size.width() >= 1600) {
      EXPECT_EQ(readings.LeftOutScales(), QStringList()) << "room for every axis's numbers";
    }
  }
}

int main(int argc, char** argv) {
  return RunWidgetTests(argc, argv);
}
