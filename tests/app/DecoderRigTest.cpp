// The decoder dialogs on the threaded emulated rig, with real timers and the
// real event loop: each opened from its button after a read pass shows the
// pack's values, and a scan goes on behind an open dialog.
#include <QTest>
#include <QTimer>
#include <functional>

#include "decoders/DecoderDialogs.h"
#include "tests/app/ThreadedWindowFixture.h"
#include "tests/support/MarkerValues.h"

namespace {

class DecoderRigTest : public ThreadedWindowFixture {
 protected:
  QString Field(const char* name) { return form().findChild<QLineEdit*>(name)->text(); }

  void ReadPass() {
    QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
    ASSERT_TRUE(WaitForIdle());
  }

  // Clicks the decoder button, runs `inside` in the open dialog, then OK.
  void OpenAndAccept(QPushButton* button, DecoderDialog& dialog,
                     const std::function<void()>& inside) {
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
      ran = true;
      inside();
      dialog.OKBtn->click();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(dialog.isVisible());
  }
};

QStringList Ticked(const auto& boxes) {
  QStringList names;
  for (const QCheckBox* box : boxes) {
    if (box->isChecked()) names << box->objectName();
  }
  return names;
}

TEST_F(DecoderRigTest, EachDialogShowsTheDischargingPacksValuesAfterAReadPass) {
  ReadPass();

  const QString mode = Field("BatteryModeData");
  EXPECT_EQ(mode, "0000");
  OpenAndAccept(form().BMBtn, windows->BatteryModeDlg(),
                [&] { EXPECT_TRUE(Ticked(windows->BatteryModeDlg().Boxes).isEmpty()); });
  EXPECT_EQ(Field("BatteryModeData"), mode);

  const QString status = Field("BatteryStatusData");
  EXPECT_EQ(status, "00C0") << "initialized, discharging, no alarm";
  OpenAndAccept(form().BSBtn, windows->BatteryStatDlg(), [&] {
    EXPECT_EQ(Ticked(windows->BatteryStatDlg().Boxes), (QStringList{"INITIALIZED", "DISCHARGING"}));
    EXPECT_EQ(windows->BatteryStatDlg().ErrorCodeIndex(), 0) << "OK";
  });
  EXPECT_EQ(Field("BatteryStatusData"), status);

  EXPECT_EQ(Field("SpecificationInfoData"), "0011");
  OpenAndAccept(form().SIBtn, windows->SpecInfoDlg(), [&] {
    TSpecInfoDlg& dialog = windows->SpecInfoDlg();
    EXPECT_EQ(SelectedEntries(dialog.Revision), QStringList{"1"});
    EXPECT_EQ(SelectedEntries(dialog.Version), QStringList{"1"});
    EXPECT_EQ(SelectedEntries(dialog.VScale), QStringList{"0"});
    EXPECT_EQ(SelectedEntries(dialog.IPScale), QStringList{"0"});
  });
  EXPECT_EQ(Field("SpecificationInfoData"), "0011");

  EXPECT_EQ(Field("ManufacturerDateData"), "5A6E");
  OpenAndAccept(form().MDBtn, windows->MfgDateDlg(), [&] {
    TMfgDateDlg& dialog = windows->MfgDateDlg();
    EXPECT_EQ(SelectedEntries(dialog.Year), QStringList{"2025"});
    EXPECT_EQ(SelectedEntries(dialog.Month), QStringList{"3"});
    EXPECT_EQ(SelectedEntries(dialog.Day), QStringList{"14"});
  });
  EXPECT_EQ(Field("ManufacturerDateData"), "5A6E");

  // The pack's block has 14 bytes, not the 95-character string of a length
  // and 31 bytes, so the editor starts from the default string.
  EXPECT_EQ(Field("ManufacturerDataData"), "4E,56,01,02,10,00,A5,5A,03,E8,12,34,FF,00");
  OpenAndAccept(form().MDataBtn, windows->MfgDataDlg(), [&] {
    TMfgDataDlg& dialog = windows->MfgDataDlg();
    EXPECT_EQ(SelectedEntries(dialog.MfgDataLength), QStringList{"31"});
    EXPECT_EQ(dialog.MfgDataGrid->item(0, 0)->text(), "11");
    EXPECT_EQ(dialog.MfgDataGrid->item(0, 3)->text(), "44");
  });
  EXPECT_EQ(Field("ManufacturerDataData"), DefaultMfgDataString());
}

TEST_F(DecoderRigTest, ScanKeepsFillingRowsBehindAnOpenDecoderDialog) {
  rig->Battery().SetMarkerValues(true);
  TBatteryStatDlg& dialog = windows->BatteryStatDlg();
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  int startedAtOpen = -1;
  bool rowsFilledWhileOpen = false;
  QTimer::singleShot(0, &dialog, [&] {
    startedAtOpen = rig->Adapter().TransactionsStarted();
    rowsFilledWhileOpen = QTest::qWaitFor(
        [&] { return form().Row(20).Data->text() == MarkerText(20) && dialog.isVisible(); }, 5000);
    dialog.CancelBtn->click();
  });
  QTest::mouseClick(form().BSBtn, Qt::LeftButton);
  EXPECT_TRUE(rowsFilledWhileOpen) << "rows went on filling while the dialog was open";
  EXPECT_LT(startedAtOpen, 20);
  ASSERT_TRUE(WaitForIdle());
  for (int row = 0; row < 33; ++row) {
    EXPECT_EQ(form().Row(row).Data->text(), MarkerText(row)) << RegisterTable()[row].registerName;
  }
}

}  // namespace
