// The Chart window, headless: passes become lines, drawn from the event loop
// after the hand-over, and a check box hides its register's line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineSeries>
#include <QTest>

#include "QtPrinters.h"
#include "TChartForm.h"

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
  TChartForm form;
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

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
