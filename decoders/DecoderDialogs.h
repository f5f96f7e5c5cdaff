#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <array>
#include <cstdint>

#include "decoders/FieldConversions.h"

// The decoder dialogs of the bit-field registers and the manufacturer data
// block. Each is created once at start-up and reused for
// every opening. The main window puts the field's content into the dialog's
// decoder value (or string), shows it modally, and after OK takes it back.
//
// Every opening runs FormActivate, which sets all controls from the value,
// centres the dialog and puts the focus on CancelBtn; a restore from
// minimised is no opening and keeps the edits. Every close, by OK, Cancel or
// Esc, runs FormClose, which rebuilds the value from the controls.
// The conversions themselves are FieldConversions.h.
class DecoderDialog : public QDialog {
 public:
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

  // Closing by any road (OK, Cancel, Esc) runs FormClose first.
  void done(int result) override;

 protected:
  DecoderDialog(const char* objectName, const char* title, QSize client);
  // Adds OK and Cancel, left to right, OK's top left at (okX, y). Called last
  // by each dialog, so the buttons close the keyboard focus chain.
  void AddButtons(int okX, int y);

  virtual void FormActivate() = 0;
  virtual void FormClose() = 0;
  void showEvent(QShowEvent* event) override;
};

// A dialog that exchanges one register word with the main window.
class WordDecoderDialog : public DecoderDialog {
 public:
  // Set before showing, rebuilt at every close; only the low 16 bits count.
  std::int32_t DecoderValue = 0;

 protected:
  using DecoderDialog::DecoderDialog;
};

class TBatteryModeDlg : public WordDecoderDialog {
 public:
  TBatteryModeDlg();

  QFrame* Bevel1;
  std::array<QCheckBox*, kBatteryModeBoxCount> Boxes{};  // in BatteryModeBits() order

 protected:
  void FormActivate() override;
  void FormClose() override;
};

class TBatteryStatDlg : public WordDecoderDialog {
 public:
  TBatteryStatDlg();

  QGroupBox* Alarms;
  QGroupBox* Status;
  std::array<QCheckBox*, kBatteryStatusBoxCount> Boxes{};  // in BatteryStatusBits() order
  QGroupBox* RadioGroup1;
  std::array<QRadioButton*, kErrorCodeCount> ErrorCodeItems{};

  // The selected radio item, -1 for none.
  int ErrorCodeIndex() const;

 protected:
  void FormActivate() override;
  void FormClose() override;

 private:
  void SelectErrorCode(int index);
};

class TSpecInfoDlg : public WordDecoderDialog {
 public:
  TSpecInfoDlg();

  QListWidget* IPScale;
  QListWidget* VScale;
  QListWidget* Version;
  QListWidget* Revision;

 protected:
  void FormActivate() override;
  void FormClose() override;

 private:
  std::int32_t openedWith_ = 0;
};

class TMfgDateDlg : public WordDecoderDialog {
 public:
  TMfgDateDlg();

  QListWidget* Year;
  QListWidget* Month;
  QListWidget* Day;

 protected:
  void FormActivate() override;
  void FormClose() override;
};

class TMfgDataDlg : public DecoderDialog {
 public:
  TMfgDataDlg();

  // The manufacturer data string: set before showing, rebuilt at every close.
  QString MfgDataString;

  QListWidget* MfgDataLength;
  // One row of 31 byte cells under the fixed heading row "1" to "31" (the
  // horizontal header). A cell takes at most two hexadecimal digits, so the
  // string always stays 95 characters long.
  QTableWidget* MfgDataGrid;

 protected:
  void FormActivate() override;
  void FormClose() override;
};

// The selected entry of a single-selection list, -1 for none.
int SelectedIndex(const QListWidget* list);
