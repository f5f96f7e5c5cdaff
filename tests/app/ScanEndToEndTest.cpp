// The real window on the threaded rig, with real timers and the real event loop.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "link/AdapterMessages.h"
#include "tests/app/ThreadedWindowFixture.h"
#include "tests/support/MarkerValues.h"

namespace {

using ScanEndToEndTest = ThreadedWindowFixture;

TEST_F(ScanEndToEndTest, OnePressFillsAllThirtyThreeFieldsInTheirUnitsAndClosesTheLink) {
  rig->Battery().SetMarkerValues(true);
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  EXPECT_EQ(form().DataBox->text(), "<<Attempting to Open Kavix Link>>");
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(form().ReadDataBtn->text(), "Read Data");
  EXPECT_EQ(rig->Adapter().TransactionsStarted(), 33);
  for (int row = 0; row < 33; ++row) {
    EXPECT_EQ(form().Row(row).Data->text(), MarkerText(row)) << RegisterTable()[row].registerName;
  }
  EXPECT_EQ(form().DataBox->text(), "<<I2C Master Rx Complete>>");
}

TEST_F(ScanEndToEndTest, TheDischargingPackShowsPlausibleValues) {
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  ASSERT_TRUE(WaitForIdle());
  const auto field = [&](const char* name) {
    return form().findChild<QLineEdit*>(QString::fromLatin1(name) + "Data")->text();
  };
  EXPECT_GT(field("Voltage").toInt(), 9000);
  EXPECT_LT(field("Voltage").toInt(), 12600);
  EXPECT_LT(field("Current").toInt(), 0);
  EXPECT_LE(field("RemainingCapacity").toInt(), field("FullChargeCapacity").toInt());
  EXPECT_EQ(field("BatteryStatus").size(), 4);
  EXPECT_EQ(field("DeviceChemistry"), "\"LION\"");
  EXPECT_TRUE(field("ManufacturerData").contains(','));
  form().grab().save(QDir::temp().filePath("pelmor-after-scan.png"));
}

TEST_F(ScanEndToEndTest, WriteTabWritesTheFiveRowsToTheBattery) {
  form().TabSet1->setCurrentIndex(1);
  EXPECT_EQ(form().ReadDataBtn->text(), "Write Data");
  EXPECT_FALSE(form().Row(5).ChkBx->isEnabled());
  form().Row(4).Data->setText("-250");
  form().Row(1).Data->setText("$1F4");
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(form().ReadDataBtn->text(), "Write Data");
  EXPECT_EQ(rig->Battery().ReadWord(0x04, rig->Now()), 0xFF06);
  EXPECT_EQ(rig->Battery().ReadWord(0x01, rig->Now()), 500);
  EXPECT_EQ(form().DataBox->text(), "<<I2C Master Tx Complete>>");
}

TEST_F(ScanEndToEndTest, NothingTickedShowsTheWarningAndTheWindowStaysUsable) {
  QTest::mouseClick(form().SelectBtn, Qt::LeftButton);
  EXPECT_EQ(form().SelectBtn->text(), "Select All");
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  QMessageBox* warning = nullptr;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) warning = box;
  }
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(warning->windowTitle(), "Warning");
  EXPECT_EQ(warning->text(), "No Smart Battery Data Selected");
  EXPECT_EQ(warning->icon(), QMessageBox::NoIcon);
  EXPECT_EQ(warning->parentWidget(), nullptr);
  EXPECT_FALSE(warning->isModal());
  EXPECT_EQ(form().ReadDataBtn->text(), "Read Data");
  warning->close();
}

TEST_F(ScanEndToEndTest, ClosingTheWindowEndsTheProgramWhileAWarningIsOpen) {
  QTest::mouseClick(form().SelectBtn, Qt::LeftButton);
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  constexpr int kStillRunning = 7;
  QTimer::singleShot(0, [&] { form().close(); });
  QTimer::singleShot(5000, [] { QCoreApplication::exit(kStillRunning); });
  EXPECT_EQ(QApplication::exec(), 0) << "the open warning box does not keep the program alive";
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMessageBox*>(window)) window->close();
  }
}

TEST_F(ScanEndToEndTest, MessageHookTakesTheLowSixteenBitsAndLetsTheMessageGoOn) {
  QCoreApplication::postEvent(qApp, new AdapterMessage(0x10111));
  QCoreApplication::processEvents();
  EXPECT_EQ(form().DataBox->text(), "<<Kavix Link Open>>");
  EXPECT_EQ(form().ReadDataBtn->text(), "Stop") << "handled as LinkOpen: the scan began";
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  AdapterMessage foreign(0x0120);
  EXPECT_FALSE(form().AppMessageHandler(&foreign));
  EXPECT_EQ(form().DataBox->text(), "<<Unsupported Kavix Event Received>>");
}

TEST_F(ScanEndToEndTest, ScanGoesOnBehindAModalViewer) {
  rig->Battery().SetMarkerValues(true);
  QTimer::singleShot(0, [&] { QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton); });
  QTimer::singleShot(1500, [&] { windows->RevReport().accept(); });
  windows->RevReport().exec();
  EXPECT_GT(rig->Adapter().TransactionsStarted(), 5) << "reads went on while the viewer was open";
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(form().Row(32).Data->text(), "52,32,33");
}

// Passes read before the Chart window is first opened are in it, and those
// that follow reach it as they end.
TEST_F(ScanEndToEndTest, TheChartWindowShowsThePassesOfTheRunningScan) {
  form().SelectBtnClick();                // Deselect All
  form().Row(9).ChkBx->setChecked(true);  // Voltage
  const auto pass = [&] {
    QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
    return QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000) &&
           WaitForIdle();
  };
  ASSERT_TRUE(pass());
  EXPECT_EQ(form().Chart().Window(), nullptr) << "made when first asked for";

  form().MenuViewChart->trigger();
  TChartForm* chart = form().Chart().Window();
  ASSERT_NE(chart, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(chart));
  ASSERT_TRUE(QTest::qWaitFor([&] { return chart->CheckBoxOf(9) != nullptr; }, 2000));
  EXPECT_TRUE(chart->Chart().title().startsWith("1 pass,"));

  form().Row(10).ChkBx->setChecked(true);  // Current
  ASSERT_TRUE(pass());
  EXPECT_TRUE(QTest::qWaitFor([&] { return chart->Chart().title().startsWith("2 passes"); }, 5000))
      << chart->Chart().title().toStdString();
  EXPECT_NE(chart->CheckBoxOf(10), nullptr);
}

}  // namespace
