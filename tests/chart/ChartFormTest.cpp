// The Chart window, headless: passes become lines, drawn from the event loop
// after the hand-over, and a check box hides its register's line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QGraphicsView>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

#include "chart/ChartPicture.h"
#include "chart/TChartForm.h"
#include "tests/support/QtPrinters.h"

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

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
