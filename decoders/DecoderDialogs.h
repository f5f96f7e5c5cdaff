#pragma once

#include <QDialog>

// The decoder dialogs of the bit-field registers and the manufacturer data
// block. Each is created once at start-up and reused for every opening; their
// fields and handlers are added one dialog at a time.
class DecoderDialog : public QDialog {
 protected:
  DecoderDialog(const char* objectName, const char* title, QSize client);
};

class TBatteryModeDlg : public DecoderDialog {
 public:
  TBatteryModeDlg();
};

class TBatteryStatDlg : public DecoderDialog {
 public:
  TBatteryStatDlg();
};

class TSpecInfoDlg : public DecoderDialog {
 public:
  TSpecInfoDlg();
};

class TMfgDateDlg : public DecoderDialog {
 public:
  TMfgDateDlg();
};

class TMfgDataDlg : public DecoderDialog {
 public:
  TMfgDataDlg();
};
