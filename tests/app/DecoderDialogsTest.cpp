// The five decoder dialogs through their real widgets, opened from the main
// window's decoder buttons.
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <functional>

#include "decoders/DecoderDialogs.h"
#include "tests/app/AppFixture.h"

namespace {

QStringList Ticked(const QList<QCheckBox*>& boxes) {
  QStringList names;
  for (const QCheckBox* box : boxes) {
    if (box->isChecked()) names << box->objectName();
  }
  return names;
}

template <std::size_t N>
QList<QCheckBox*> AsList(const std::array<QCheckBox*, N>& boxes) {
  return QList<QCheckBox*>(boxes.begin(), boxes.end());
}

void ClickEntry(QListWidget* list, int row) {
  list->scrollToItem(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(row)).center());
}

// Sends keys where the user's typing goes: the dialog's focus widget.
void Type(QWidget* window, Qt::Key key) {
  QTest::keyClick(window->focusWidget(), key);
}
void Type(QWidget* window, const char* text) {
  for (const char* c = text; *c != '\0'; ++c) QTest::keyClick(window->focusWidget(), *c);
}

class DecoderDialogsTest : public AppFixture {
 protected:
  void SetUp() override {
    StartProgram();
    form().show();
  }

  QLineEdit* Field(const char* name) { return form().findChild<QLineEdit*>(name); }

  // Clicks the decoder button and, inside the modal dialog's own event loop,
  // runs `inside`, which closes it. A dialog left open is cancelled, so a
  // failing check cannot hang the run.
  void WhileOpen(QPushButton* button, DecoderDialog& dialog, const std::function<void()>& inside) {
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
      ran = true;
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_EQ(dialog.focusWidget(), dialog.CancelBtn) << "focus on Cancel at every showing";
      inside();
      if (dialog.isVisible()) {
        ADD_FAILURE() << "the dialog was left open";
        dialog.reject();
      }
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(dialog.isVisible());
  }

  // Opens the dialog, changes something, and closes it by Cancel and by Esc:
  // the field keeps its text exactly.
  void CancelAndEscLeaveTheField(QPushButton* button, DecoderDialog& dialog, QLineEdit* field,
                                 const char* text, const std::function<void()>& change) {
    field->setText(QString::fromLatin1(text));
    WhileOpen(button, dialog, [&] {
      change();
      QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
    });
    EXPECT_EQ(field->text(), text) << "Cancel";
    WhileOpen(button, dialog, [&] {
      change();
      dialog.OKBtn->setFocus();  // Esc cancels wherever the focus is
      Type(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(field->text(), text) << "Esc";
  }
};

TEST_F(DecoderDialogsTest, BatteryModeShowsTheBitsAndOkWritesTheEditedWord) {
  TBatteryModeDlg& dialog = windows->BatteryModeDlg();
  Field("BatteryModeData")->setText("E381");
  WhileOpen(form().BMBtn, dialog, [&] {
    EXPECT_EQ(
        Ticked(AsList(dialog.Boxes)),
        (QStringList{"INTERNAL_CHARGE_CONTROLLER", "CONDITION_FLAG", "CHARGE_CONTROLLER_ENABLED",
                     "PRIMARY_BATTERY", "CHARGER_MODE", "CAPACITY_MODE"}));
    QTest::mouseClick(dialog.findChild<QCheckBox*>("CAPACITY_MODE"), Qt::LeftButton);
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
  });
  EXPECT_EQ(Field("BatteryModeData")->text(), "4381") << "bit 13 has no box and is cleared";

  Field("BatteryModeData")->setText("12345");
  WhileOpen(form().BMBtn, dialog, [&] {
    EXPECT_EQ(Ticked(AsList(dialog.Boxes)),
              (QStringList{"INTERNAL_CHARGE_CONTROLLER", "CHARGE_CONTROLLER_ENABLED",
                           "PRIMARY_BATTERY"}));
    dialog.OKBtn->click();
  });
  EXPECT_EQ(Field("BatteryModeData")->text(), "0301");

  CancelAndEscLeaveTheField(form().BMBtn, dialog, Field("BatteryModeData"), "e381", [&] {
    QTest::mouseClick(dialog.findChild<QCheckBox*>("PRIMARY_BATTERY_SUPPORT"), Qt::LeftButton);
  });
  CancelAndEscLeaveTheField(form().BMBtn, dialog, Field("BatteryModeData"), "1",
                            [&] { dialog.Boxes[0]->setChecked(false); });
}

TEST_F(DecoderDialogsTest, MinimisingAndRestoringKeepsTheEditsAndTheFocus) {
  TBatteryModeDlg& dialog = windows->BatteryModeDlg();
  Field("BatteryModeData")->setText("E381");
  WhileOpen(form().BMBtn, dialog, [&] {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QCheckBox* box = dialog.findChild<QCheckBox*>("PRIMARY_BATTERY_SUPPORT");
    QTest::mouseClick(box, Qt::LeftButton);
    dialog.showMinimized();
    QCoreApplication::processEvents();
    dialog.showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(dialog.focusWidget(), box);
    Type(&dialog, Qt::Key_Return);
  });
  EXPECT_EQ(Field("BatteryModeData")->text(), "C383") << "Enter pressed OK with the tick";
}

TEST_F(DecoderDialogsTest, BatteryStatusShowsAlarmsStatusAndErrorCode) {
  TBatteryStatDlg& dialog = windows->BatteryStatDlg();
  Field("BatteryStatusData")->setText("4A85");
  WhileOpen(form().BSBtn, dialog, [&] {
    EXPECT_EQ(Ticked(AsList(dialog.Boxes)),
              (QStringList{"TERMINATE_CHARGE_ALARM", "TERMINATE_DISCHARGE_ALARM",
                           "REMAINING_CAPACITY_ALARM", "INITIALIZED"}));
    EXPECT_EQ(dialog.ErrorCodeIndex(), 5);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("ErrorCode5")->text() == "Overflow/Underflow");
    QTest::mouseClick(dialog.findChild<QCheckBox*>("INITIALIZED"), Qt::LeftButton);
    QTest::mouseClick(dialog.ErrorCodeItems[6], Qt::LeftButton);
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
  });
  EXPECT_EQ(Field("BatteryStatusData")->text(), "4A06");

  Field("BatteryStatusData")->setText("000F");
  WhileOpen(form().BSBtn, dialog, [&] {
    EXPECT_TRUE(Ticked(AsList(dialog.Boxes)).isEmpty());
    EXPECT_TRUE(dialog.ErrorCodeItems[7]->isChecked());
    dialog.OKBtn->click();
  });
  EXPECT_EQ(Field("BatteryStatusData")->text(), "0007");
  EXPECT_TRUE(dialog.RadioGroup1->toolTip().startsWith("No error.\nUnable to process function."));

  CancelAndEscLeaveTheField(form().BSBtn, dialog, Field("BatteryStatusData"), "00C0", [&] {
    QTest::mouseClick(dialog.findChild<QCheckBox*>("OVER_TEMP_ALARM"), Qt::LeftButton);
    QTest::mouseClick(dialog.ErrorCodeItems[1], Qt::LeftButton);
  });
}

TEST_F(DecoderDialogsTest, SpecificationInfoSelectsTheNibblesAndCarriesUnshownScaling) {
  TSpecInfoDlg& dialog = windows->SpecInfoDlg();
  Field("SpecificationInfoData")->setText("0021");
  WhileOpen(form().SIBtn, dialog, [&] {
    EXPECT_EQ(SelectedEntries(dialog.Revision), QStringList{"1"});
    EXPECT_EQ(SelectedEntries(dialog.Version), QStringList{"2"});
    EXPECT_EQ(SelectedEntries(dialog.VScale), QStringList{"0"});
    EXPECT_EQ(SelectedEntries(dialog.IPScale), QStringList{"0"});
    EXPECT_EQ(dialog.Version->indexAt(QPoint(2, 2)).row(), 1) << "selection at the top";
    ClickEntry(dialog.VScale, 2);
    ClickEntry(dialog.IPScale, 1);
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
  });
  EXPECT_EQ(Field("SpecificationInfoData")->text(), "1221");

  Field("SpecificationInfoData")->setText("7500");
  WhileOpen(form().SIBtn, dialog, [&] {
    EXPECT_EQ(SelectedEntries(dialog.Revision), QStringList{"0"});
    EXPECT_TRUE(SelectedEntries(dialog.Version).isEmpty());
    EXPECT_TRUE(SelectedEntries(dialog.VScale).isEmpty());
    EXPECT_TRUE(SelectedEntries(dialog.IPScale).isEmpty());
    dialog.OKBtn->click();
  });
  EXPECT_EQ(Field("SpecificationInfoData")->text(), "7500");

  CancelAndEscLeaveTheField(form().SIBtn, dialog, Field("SpecificationInfoData"), "10031",
                            [&] { ClickEntry(dialog.Revision, 9); });
}

TEST_F(DecoderDialogsTest, ManufactureDateShowsYearMonthDayAndPacksTheChoice) {
  TMfgDateDlg& dialog = windows->MfgDateDlg();
  EXPECT_EQ(dialog.Year->count(), 128);
  EXPECT_EQ(dialog.Year->item(127)->text(), "2107");
  EXPECT_EQ(dialog.Month->count(), 12);
  EXPECT_EQ(dialog.Day->count(), 31);
  Field("ManufacturerDateData")->setText("2A61");
  WhileOpen(form().MDBtn, dialog, [&] {
    EXPECT_EQ(SelectedEntries(dialog.Year), QStringList{"2001"});
    EXPECT_EQ(SelectedEntries(dialog.Month), QStringList{"3"});
    EXPECT_EQ(SelectedEntries(dialog.Day), QStringList{"1"});
    EXPECT_EQ(dialog.Year->indexAt(QPoint(2, 2)).row(), 21) << "selection at the top";
    ClickEntry(dialog.Year, 2024 - 1980);
    ClickEntry(dialog.Month, 11);
    ClickEntry(dialog.Day, 30);
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
  });
  EXPECT_EQ(Field("ManufacturerDateData")->text(), "599F");

  Field("ManufacturerDateData")->setText("01A1");
  WhileOpen(form().MDBtn, dialog, [&] {
    EXPECT_EQ(SelectedEntries(dialog.Day), QStringList{"1"});
    EXPECT_TRUE(SelectedEntries(dialog.Month).isEmpty()) << "month 13";
    EXPECT_EQ(SelectedEntries(dialog.Year), QStringList{"1980"});
    dialog.OKBtn->click();
  });
  EXPECT_EQ(Field("ManufacturerDateData")->text(), "0001");

  CancelAndEscLeaveTheField(form().MDBtn, dialog, Field("ManufacturerDateData"), "5a6e",
                            [&] { ClickEntry(dialog.Day, 3); });
}

TEST_F(DecoderDialogsTest, CtrlClickOrCtrlSpaceOnTheSelectedEntryKeepsItSoOkWritesTheSameWord) {
  TSpecInfoDlg& spec = windows->SpecInfoDlg();
  TMfgDateDlg& date = windows->MfgDateDlg();
  const std::tuple<QPushButton*, const char*, QString, QListWidget*> cases[] = {
      {form().SIBtn, "SpecificationInfoData", "0031", spec.Revision},
      {form().SIBtn, "SpecificationInfoData", "0031", spec.Version},
      {form().SIBtn, "SpecificationInfoData", "3231", spec.VScale},
      {form().SIBtn, "SpecificationInfoData", "3231", spec.IPScale},
      {form().MDBtn, "ManufacturerDateData", "2A61", date.Year},
      {form().MDBtn, "ManufacturerDateData", "2A61", date.Month},
      {form().MDBtn, "ManufacturerDateData", "2A61", date.Day},
      {form().MDataBtn, "ManufacturerDataData", DefaultMfgDataString(),
       windows->MfgDataDlg().MfgDataLength},
  };
  for (const auto& [button, field, text, list] : cases) {
    auto& dialog = static_cast<DecoderDialog&>(*list->window());
    for (const bool byKey : {false, true}) {
      SCOPED_TRACE(list->objectName().toStdString() + (byKey ? " Ctrl+Space" : " Ctrl+click"));
      Field(field)->setText(text);
      WhileOpen(button, dialog, [&] {
        QListWidgetItem* selected = list->currentItem();
        if (byKey) {
          QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
        } else {
          QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                            list->visualItemRect(selected).center());
        }
        EXPECT_EQ(list->selectedItems(), QList{selected});
        dialog.OKBtn->click();
      });
      EXPECT_EQ(Field(field)->text(), text);
    }
  }
}

TEST_F(DecoderDialogsTest, ManufacturerDataEditorShowsTheBlockAndEditsTwoDigitCells) {
  TMfgDataDlg& dialog = windows->MfgDataDlg();
  QTableWidget* grid = dialog.MfgDataGrid;
  ASSERT_EQ(grid->columnCount(), 31);
  EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "1");
  EXPECT_EQ(grid->horizontalHeaderItem(30)->text(), "31");
  EXPECT_EQ(grid->columnWidth(0), 20);
  EXPECT_EQ(grid->rowHeight(0), 14);
  EXPECT_EQ(grid->horizontalHeader()->height(), 14);
  EXPECT_TRUE(grid->showGrid());
  EXPECT_EQ(Field("ManufacturerDataData")->text(), "") << "as after start-up";

  WhileOpen(form().MDataBtn, dialog, [&] {
    EXPECT_EQ(SelectedEntries(dialog.MfgDataLength), QStringList{"31"});
    EXPECT_EQ(grid->item(0, 0)->text(), "11");
    EXPECT_EQ(grid->item(0, 3)->text(), "44");
    EXPECT_EQ(grid->item(0, 30)->text(), "00");
    EXPECT_GT(grid->horizontalScrollBar()->maximum(), 0) << "not all columns fit";
    dialog.OKBtn->click();
  });
  const QString defaults = DefaultMfgDataString();
  EXPECT_EQ(Field("ManufacturerDataData")->text(), defaults);

  QString five = defaults;
  five.replace(0, 2, "05");
  Field("ManufacturerDataData")->setText(five);
  WhileOpen(form().MDataBtn, dialog, [&] {
    EXPECT_EQ(SelectedEntries(dialog.MfgDataLength), QStringList{"5"});
    grid->setFocus();
    grid->setCurrentCell(0, 0);
    Type(&dialog, "7");
    Type(&dialog, Qt::Key_Tab);
    EXPECT_EQ(grid->currentColumn(), 1) << "Tab moves to the next cell";
    Type(&dialog, "1fz");  // at most two hexadecimal digits
    Type(&dialog, Qt::Key_Tab);
    Type(&dialog, Qt::Key_Delete);
    Type(&dialog, Qt::Key_Backspace);
    grid->setCurrentCell(0, 30);
    Type(&dialog, "5");
    Type(&dialog, Qt::Key_Tab);
    EXPECT_EQ(dialog.focusWidget(), dialog.OKBtn) << "Tab leaves the last cell";
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
  });
  EXPECT_EQ(Field("ManufacturerDataData")->text(), "05,07,1F,00,44" + defaults.mid(14, 79) + "05")
      << "typed 7, 1FF, an emptied cell and 5 in the last";
  EXPECT_EQ(Field("ManufacturerDataData")->text().size(), 95);

  five = Field("ManufacturerDataData")->text();
  CancelAndEscLeaveTheField(form().MDataBtn, dialog, Field("ManufacturerDataData"),
                            five.toLatin1().constData(), [&] {
                              ClickEntry(dialog.MfgDataLength, 0);
                              grid->item(0, 5)->setText("AB");
                            });
}

TEST_F(DecoderDialogsTest, CellOneIsCurrentAtEveryOpeningWithItsEditorClosed) {
  TMfgDataDlg& dialog = windows->MfgDataDlg();
  QTableWidget* grid = dialog.MfgDataGrid;
  for (const int opening : {1, 2}) {
    WhileOpen(form().MDataBtn, dialog, [&] {
      EXPECT_EQ(grid->currentColumn(), 0);
      for (const QLineEdit* editor : grid->viewport()->findChildren<QLineEdit*>()) {
        EXPECT_FALSE(editor->isVisible()) << "an editor is open at opening " << opening;
      }
      grid->setFocus();
      grid->setCurrentCell(0, 6);
      dialog.CancelBtn->click();
    });
  }
}

TEST_F(DecoderDialogsTest, EnterInAnOpenCellEditorCommitsTheCellAndPressesOk) {
  TMfgDataDlg& dialog = windows->MfgDataDlg();
  const QString defaults = DefaultMfgDataString();
  Field("ManufacturerDataData")->setText(defaults);
  WhileOpen(form().MDataBtn, dialog, [&] {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.MfgDataGrid->setFocus();
    dialog.MfgDataGrid->setCurrentCell(0, 2);
    Type(&dialog, "5");
    ASSERT_TRUE(qobject_cast<QLineEdit*>(dialog.focusWidget())) << "the cell editor is open";
    Type(&dialog, Qt::Key_Return);
  });
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(Field("ManufacturerDataData")->text(), defaults.left(9) + "05" + defaults.mid(11));
}

TEST_F(DecoderDialogsTest, DialogsAreFixedCentredKeyboardReachableAndNamed) {
  const std::pair<DecoderDialog*, QSize> dialogs[] = {
      {&windows->BatteryModeDlg(), {261, 202}}, {&windows->BatteryStatDlg(), {552, 222}},
      {&windows->SpecInfoDlg(), {423, 184}},    {&windows->MfgDateDlg(), {343, 184}},
      {&windows->MfgDataDlg(), {553, 185}},
  };
  for (const auto& [dialog, client] : dialogs) {
    SCOPED_TRACE(dialog->objectName().toStdString());
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    EXPECT_EQ(QApplication::focusWidget(), dialog->CancelBtn);
    EXPECT_EQ(dialog->size(), client);
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint);
    const QRect area = dialog->screen()->availableGeometry();
    EXPECT_NEAR(dialog->x() + dialog->width() / 2.0, area.x() + area.width() / 2.0, 1.5);
    EXPECT_NEAR(dialog->y() + dialog->height() / 2.0, area.y() + area.height() / 2.0, 1.5);
    EXPECT_EQ(dialog->OKBtn->toolTip(), "Click to close and accept any changes.");
    EXPECT_EQ(dialog->CancelBtn->toolTip(), "Click to close and ignore any changes.");
    EXPECT_LT(dialog->OKBtn->x(), dialog->CancelBtn->x());

    // Every control that takes input is in the Tab chain and has a name.
    QList<QWidget*> chain{dialog->CancelBtn};
    for (QWidget* w = dialog->CancelBtn->nextInFocusChain(); w != dialog->CancelBtn;
         w = w->nextInFocusChain()) {
      if (w->focusPolicy() & Qt::TabFocus) chain << w;
    }
    for (QWidget* control : dialog->findChildren<QWidget*>()) {
      auto* button = qobject_cast<QAbstractButton*>(control);
      const bool view = qobject_cast<QAbstractItemView*>(control) != nullptr &&
                        qobject_cast<QHeaderView*>(control) == nullptr;
      if ((button == nullptr && !view) || !control->isVisibleTo(dialog)) continue;
      const bool named =
          !control->accessibleName().isEmpty() || (button != nullptr && !button->text().isEmpty());
      EXPECT_TRUE(named) << control->objectName().toStdString();
      EXPECT_TRUE(chain.contains(control)) << control->objectName().toStdString();
      // Inside the client area, not clipped by the dialog's edge.
      const QRect where(control->mapTo(dialog, QPoint(0, 0)), control->size());
      EXPECT_TRUE(dialog->rect().contains(where)) << control->objectName().toStdString();
    }
    // OK is the default button: Enter on a control that is not a button accepts.
    QWidget* firstControl = chain.at(1) == dialog->OKBtn ? chain.at(2) : chain.at(1);
    firstControl->setFocus();
    EXPECT_TRUE(dialog->OKBtn->isDefault());
    QTest::keyClick(firstControl, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
  }
}

TEST_F(DecoderDialogsTest, ListsAndGridShowTheirHintsOverTheirEntriesWhileHintsAreOn) {
  TMfgDateDlg& date = windows->MfgDateDlg();
  for (const bool hintsOn : {true, false}) {
    if (!hintsOn) form().MenuOptionsShowHints->trigger();
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(date.Year),
          static_cast<QAbstractItemView*>(windows->MfgDataDlg().MfgDataGrid)}) {
      view->window()->show();
      const QPoint inside(4, 4);
      QHelpEvent help(QEvent::ToolTip, inside, view->viewport()->mapToGlobal(inside));
      QApplication::sendEvent(view->viewport(), &help);
      EXPECT_EQ(QToolTip::text(), hintsOn ? view->toolTip() : QString())
          << view->objectName().toStdString() << " hints " << hintsOn;
      QToolTip::hideText();
      ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
      view->window()->hide();
    }
  }
}

}  // namespace
