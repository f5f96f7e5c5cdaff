#include "DecoderDialogs.h"

DecoderDialog::DecoderDialog(const char* objectName, const char* title, QSize client) {
  setObjectName(QString::fromLatin1(objectName));
  setWindowTitle(QString::fromLatin1(title));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  setFixedSize(client);
}

TBatteryModeDlg::TBatteryModeDlg()
    : DecoderDialog("BatteryModeDlg", "Battery Mode", QSize(261, 202)) {}

TBatteryStatDlg::TBatteryStatDlg()
    : DecoderDialog("BatteryStatDlg", "Battery Status", QSize(552, 222)) {}

TSpecInfoDlg::TSpecInfoDlg()
    : DecoderDialog("SpecInfoDlg", "Specification Info", QSize(423, 184)) {}

TMfgDateDlg::TMfgDateDlg() : DecoderDialog("MfgDateDlg", "Manufacture Date", QSize(343, 184)) {}

TMfgDataDlg::TMfgDataDlg() : DecoderDialog("MfgDataDlg", "Manufacturer Data", QSize(553, 185)) {}
