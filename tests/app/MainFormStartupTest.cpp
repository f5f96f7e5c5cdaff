#include <QApplication>
#include <QHelpEvent>
#include <QTest>

#include "tests/app/AppFixture.h"

namespace {

class MainFormStartupTest : public AppFixture {
 protected:
  void SetUp() override { StartProgram(); }
};

TEST_F(MainFormStartupTest, WindowStandsAsStartUpLeavesIt) {
  EXPECT_EQ(form().windowTitle(), "Dalvern Corp. -  Pelmor - [emulated rig]");
  EXPECT_EQ(form().ClientArea->size(), QSize(623, 409));
  EXPECT_EQ(form().DataBox->text(), "<<Kavix Link Closed>>");
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
  EXPECT_EQ(SelectedEntries(form().ComPortListBox), QStringList{"1"});
  EXPECT_EQ(SelectedEntries(form().DestAddrListBox), QStringList{"16"});
  for (int row = 0; row < 33; ++row) {
    EXPECT_TRUE(form().Row(row).ChkBx->isChecked()) << row;
    EXPECT_TRUE(form().Row(row).ChkBx->isEnabled()) << row;
    EXPECT_TRUE(form().Row(row).Data->isEnabled()) << row;
    EXPECT_EQ(form().Row(row).Data->text(), QString::fromLatin1(RegisterTable()[row].initialData));
  }
  EXPECT_EQ(form().SelectBtn->text(), "Deselect All");
  EXPECT_EQ(form().TabSet1->currentIndex(), 0);
  EXPECT_EQ(form().ReadDataBtn->text(), "Read Data");
  EXPECT_FALSE(form().Timer1.IsActive());
  EXPECT_FALSE(form().Timer2.IsActive());
  EXPECT_EQ(form().Timer1.Interval(), 100);
  EXPECT_EQ(form().Timer2.Interval(), 100);
  EXPECT_FALSE(form().AutoRepeat->isChecked());
  EXPECT_EQ(form().AutoRepeat->text(), "Auto Repeat (10 Seconds)");
  EXPECT_TRUE(form().MenuOptionsAutoRepeat10Seconds->isChecked());
  EXPECT_TRUE(form().MenuFileOpenLogFile->isEnabled());
  EXPECT_FALSE(form().MenuFileCloseLogFile->isEnabled());
  EXPECT_TRUE(windows->Hints().IsOn());
  EXPECT_TRUE(form().MenuOptionsShowHints->isChecked());
  EXPECT_TRUE(form().Discovery->isHidden());
}

QStringList CreatedWindows(const ProgramWindows& windows) {
  QStringList names;
  for (const QWidget* window : windows.CreationOrder()) names << window->objectName();
  return names;
}

// The main window shows alone; each other window is made when first asked
// for, with every window before it in the order that is not there yet, and is
// the same window from then on.
TEST_F(MainFormStartupTest, NineWindowsCreatedOnceInTheirOrder) {
  EXPECT_EQ(CreatedWindows(*windows), QStringList{"MainForm"});
  TAboutBox* about = &windows->AboutBox();
  EXPECT_EQ(CreatedWindows(*windows), (QStringList{"MainForm", "BatteryModeDlg", "AboutBox"}));
  EXPECT_EQ(&windows->AboutBox(), about);
  EXPECT_EQ(windows->MfgDataDlg().windowTitle(), "Manufacturer Data");
  EXPECT_EQ(windows->BatteryModeDlg().windowTitle(), "Battery Mode");
  const TRevReport* last = &windows->RevReport();
  EXPECT_EQ(last, windows->CreationOrder().back());
  EXPECT_EQ(CreatedWindows(*windows),
            (QStringList{"MainForm", "BatteryModeDlg", "AboutBox", "BatteryStatDlg", "SpecInfoDlg",
                         "MfgDateDlg", "MfgDataDlg", "ReadMe", "RevReport"}));
}

TEST_F(MainFormStartupTest, AddressListHoldsTheEvenAddressesWithSixteenSelected) {
  const QStringList entries = Entries(form().DestAddrListBox);
  ASSERT_EQ(entries.size(), 128);
  EXPECT_EQ(entries.first(), "00");
  EXPECT_EQ(entries[5], "0A");
  EXPECT_EQ(entries[11], "16");
  EXPECT_EQ(entries.last(), "FE");
  EXPECT_EQ(form().DestAddrListBox->currentRow(), 11);
}

TEST_F(MainFormStartupTest, OnlyTheWritableRowsAcceptTyping) {
  for (int row = 0; row < 33; ++row) {
    EXPECT_EQ(form().Row(row).Data->isReadOnly(), row >= 5) << row;
  }
}

TEST_F(MainFormStartupTest, DataFieldsAndUnitLabelsCarryHintsAndCheckBoxesNone) {
  for (int row = 0; row < 33; ++row) {
    const auto& widgets = form().Row(row);
    EXPECT_EQ(widgets.Data->toolTip(), QString::fromLatin1(RegisterTable()[row].dataHint));
    EXPECT_FALSE(widgets.Type->toolTip().isEmpty()) << row;
    EXPECT_TRUE(widgets.ChkBx->toolTip().isEmpty()) << row;
    EXPECT_TRUE(widgets.leader->toolTip().isEmpty()) << row;
    EXPECT_EQ(widgets.Data->accessibleName(), widgets.ChkBx->text()) << row;
  }
  EXPECT_EQ(form().findChild<QLabel*>("VoltageType")->toolTip(), "millivolts");
  EXPECT_EQ(form().findChild<QLineEdit*>("VoltageData")->accessibleName(), "Voltage");
  EXPECT_EQ(form().findChild<QCheckBox*>("ManufacturerDateChkBx")->text(), "ManufactureDate");
}

TEST_F(MainFormStartupTest, EveryNamedControlExists) {
  for (const char* name :
       {"BMBtn",          "BSBtn",         "SIBtn",           "MDBtn",     "MDataBtn",
        "SelectBtn",      "ReadDataBtn",   "AutoRepeat",      "Label1",    "Label2",
        "Label3",         "Label4",        "Label5",          "Label6",    "Label7",
        "ComPortListBox", "RefreshButton", "DestAddrListBox", "DataBox",   "Panel1",
        "Image1",         "Discovery",     "TabSet1",         "MainMenu1", "MenuFile",
        "Options1",       "MenuHelp"}) {
    EXPECT_NE(form().findChild<QWidget*>(name), nullptr) << name;
  }
  for (const auto& def : RegisterTable()) {
    for (const char* suffix : {"ChkBx", "Data", "Type"}) {
      const QString name = QString::fromLatin1(def.controlStem) + QString::fromLatin1(suffix);
      EXPECT_NE(form().findChild<QWidget*>(name), nullptr) << name.toStdString();
    }
  }
  const struct {
    const char* name;
    const char* hint;
  } decoders[] = {{"BMBtn", "Click to View or Edit BatteryMode bits."},
                  {"BSBtn", "Click to View BatteryStatus information."},
                  {"SIBtn", "Click to View SpeficationInfo information."},
                  {"MDBtn", "Click to View ManufactureDate information."},
                  {"MDataBtn", ""}};
  for (const auto& decoder : decoders) {
    const auto* button = form().findChild<QPushButton*>(decoder.name);
    EXPECT_EQ(button->toolTip(), decoder.hint);
    EXPECT_EQ(button->size(), QSize(9, 9));
    EXPECT_FALSE(button->accessibleName().isEmpty());
  }
  EXPECT_EQ(form().Discovery->text(), "ComPort Discovery In Progress, Please Wait.");
  EXPECT_EQ(form().TabSet1->tabText(0), "Read Battery Data");
  EXPECT_EQ(form().TabSet1->tabText(1), "Write Battery Data");
  EXPECT_EQ(form().ReadDataBtn->toolTip(), "Read or Write Selected Battery Data");
  EXPECT_EQ(form().SelectBtn->toolTip(), "Select/Deselect All Data");
  EXPECT_EQ(form().RefreshButton->toolTip(), "Refresh ComPort List");
  EXPECT_EQ(form().Image1->toolTip(), "I2C on Windows by Dalvern Corporation");
}

TEST_F(MainFormStartupTest, CtrlClickOnTheSelectedEntryKeepsItSelected) {
  StartProgram();
  for (QListWidget* list : {form().ComPortListBox, form().DestAddrListBox}) {
    const QListWidgetItem* selected = list->currentItem();
    ASSERT_NE(selected, nullptr);
    const QPoint centre = list->visualItemRect(selected).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, centre);
    EXPECT_EQ(SelectedEntries(list), QStringList{selected->text()}) << list->objectName();
    QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(SelectedEntries(list), QStringList{selected->text()}) << list->objectName();
  }
}

TEST_F(MainFormStartupTest, MenusWithCaptionsMarksGreyedItemsAndShortcut) {
  const auto captions = [](const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
      texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
  };
  EXPECT_EQ(form().MenuFile->title(), "&File");
  EXPECT_EQ(captions(form().MenuFile),
            (QStringList{"&Open Log File...", "&Close Log File", "-", "E&xit"}));
  EXPECT_EQ(form().Options1->title(), "&Options");
  EXPECT_EQ(
      captions(form().Options1),
      (QStringList{"Show &Hints", "-", "Auto Repeat Continuous", "Auto Repeat every 10 Seconds",
                   "Auto Repeat every Minute", "Auto Repeat every 5 Minutes",
                   "Auto Repeat every 10 Minutes", "Auto Repeat every Hour"}));
  EXPECT_EQ(form().MenuHelp->title(), "&Help");
  EXPECT_EQ(captions(form().MenuHelp),
            (QStringList{"&ReadMe...", "R&evision Report...", "&About..."}));
  EXPECT_EQ(form().MenuOptionsShowHints->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
  int marked = 0;
  for (const QAction* action : form().Options1->actions()) marked += action->isChecked();
  EXPECT_EQ(marked, 2) << "Show Hints and one repeat interval";
  EXPECT_EQ(form().N1->objectName(), "N1");
  EXPECT_EQ(form().N3->objectName(), "N3");
}

TEST_F(MainFormStartupTest, ChoosingARepeatIntervalMovesTheMarkAndRenamesAutoRepeat) {
  form().MenuOptionsAutoRepeatHour->trigger();
  EXPECT_TRUE(form().MenuOptionsAutoRepeatHour->isChecked());
  EXPECT_FALSE(form().MenuOptionsAutoRepeat10Seconds->isChecked());
  EXPECT_EQ(form().AutoRepeat->text(), "Auto Repeat (1 Hour)");
  EXPECT_FALSE(form().AutoRepeat->isChecked());
  form().MenuOptionsAutoRepeatContinuous->trigger();
  EXPECT_EQ(form().AutoRepeat->text(), "Auto Repeat (Continuous)");
}

// Sees the tool-tip requests that reach a control; a request the hint switch
// swallows never gets there, so the control never shows its tip.
class ToolTipProbe : public QObject {
 public:
  int requests = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    requests += event->type() == QEvent::ToolTip;
    return false;
  }
};

bool ShowsTip(QWidget* widget) {
  ToolTipProbe probe;
  widget->installEventFilter(&probe);
  QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
  QCoreApplication::sendEvent(widget, &help);
  widget->removeEventFilter(&probe);
  return probe.requests == 1;
}

TEST_F(MainFormStartupTest, HintSwitchSilencesEveryWindowAndComesBack) {
  form().show();
  windows->AboutBox().show();
  QWidget* mainControl = form().ReadDataBtn;
  QWidget* aboutControl = windows->AboutBox().ProgramIconLabel;
  ASSERT_TRUE(ShowsTip(mainControl));
  ASSERT_TRUE(ShowsTip(aboutControl));

  form().MenuOptionsShowHints->trigger();
  EXPECT_FALSE(form().MenuOptionsShowHints->isChecked());
  EXPECT_FALSE(ShowsTip(mainControl));
  EXPECT_FALSE(ShowsTip(aboutControl));
  EXPECT_EQ(mainControl->toolTip(), "Read or Write Selected Battery Data") << "hint kept";

  form().MenuOptionsShowHints->trigger();
  EXPECT_TRUE(form().MenuOptionsShowHints->isChecked());
  EXPECT_TRUE(ShowsTip(mainControl));
  EXPECT_TRUE(ShowsTip(aboutControl));
  windows->AboutBox().accept();
}

TEST_F(MainFormStartupTest, CtrlHTogglesHintsFromTheKeyboard) {
  form().show();
  QApplication::setActiveWindow(&form());
  QTest::keyClick(&form(), Qt::Key_H, Qt::ControlModifier);
  EXPECT_FALSE(windows->Hints().IsOn());
  EXPECT_FALSE(form().MenuOptionsShowHints->isChecked());
  QTest::keyClick(&form(), Qt::Key_H, Qt::ControlModifier);
  EXPECT_TRUE(windows->Hints().IsOn());
  EXPECT_TRUE(form().MenuOptionsShowHints->isChecked());
}

TEST_F(MainFormStartupTest, ExitClosesTheLink) {
  ASSERT_EQ(rig->Adapter().I2COpen(
                MakeOpenParams(1), [](std::int32_t) {}, kAdapterLogFileName),
            0);
  rig->Advance(100ms);
  ASSERT_TRUE(rig->Adapter().IsLinkOpen());
  form().MenuFileExit->trigger();
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
}

class ComPortDiscoveryTest : public AppFixture {};

TEST_F(ComPortDiscoveryTest, NoPortOffersNoneWithoutSelection) {
  rig->Ports().SetPorts({}, {});
  StartProgram();
  EXPECT_EQ(Entries(form().ComPortListBox), QStringList{"None"});
  EXPECT_TRUE(SelectedEntries(form().ComPortListBox).isEmpty());
  EXPECT_EQ(form().ComPortListBox->toolTip(),
            "No ComPorts Detected\n"
            "The emulated rig has no serial port now\n"
            "EMULATED RIG (pelmor --emulated): no real adapter or battery");
}

TEST_F(ComPortDiscoveryTest, OnlyComThree) {
  rig->Ports().SetPorts({3}, {3});
  StartProgram();
  EXPECT_EQ(Entries(form().ComPortListBox), (QStringList{"3", ""}));
  EXPECT_EQ(SelectedEntries(form().ComPortListBox), QStringList{"3"});
  EXPECT_EQ(form().ComPortListBox->toolTip(),
            "Select PC ComPort\n"
            "COM3: emulated adapter, emulated battery at 16\n"
            "EMULATED RIG (pelmor --emulated): no real adapter or battery");
}

TEST_F(ComPortDiscoveryTest, PortsAscendingAndNoneAboveNinetyNine) {
  rig->Ports().SetPorts({4, 1, 99, 100, 250}, {1});
  StartProgram();
  EXPECT_EQ(Entries(form().ComPortListBox), (QStringList{"1", "4", "99", ""}));
  EXPECT_EQ(SelectedEntries(form().ComPortListBox), QStringList{"1"});
  EXPECT_EQ(rig->Ports().ProbeCount(), 99);
}

TEST_F(ComPortDiscoveryTest, RefreshShowsTheBannerRediscoversAndMovesTheSelectionBack) {
  rig->Ports().SetPorts({1, 4}, {1});
  StartProgram();
  form().ComPortListBox->setCurrentRow(1);
  rig->Ports().SetPorts({2, 4}, {2});
  form().RefreshButton->click();
  EXPECT_EQ(Entries(form().ComPortListBox), (QStringList{"2", "4", ""}));
  EXPECT_EQ(SelectedEntries(form().ComPortListBox), QStringList{"2"});
  EXPECT_EQ(pauses, std::vector{2000ms});
  EXPECT_TRUE(bannerVisibleDuringPause);
  EXPECT_TRUE(form().Discovery->isHidden());

  rig->Ports().SetPorts({}, {});
  form().RefreshButton->click();
  EXPECT_EQ(Entries(form().ComPortListBox), QStringList{"None"});
  EXPECT_TRUE(SelectedEntries(form().ComPortListBox).isEmpty());
}

}  // namespace
