// The main window's five decoder-button handlers: the
// field's text goes into the dialog, the dialog is shown modally, and only OK
// writes its result back; Cancel leaves the field exactly as it was. Timers
// and adapter messages are still handled while a dialog is open, so a running
// scan goes on behind it.
#include "app/TMainForm.h"
#include "decoders/DecoderDialogs.h"

void TMainForm::AttachDecoderDialogs(TBatteryModeDlg* batteryMode, TBatteryStatDlg* batteryStat,
                                     TSpecInfoDlg* specInfo, TMfgDateDlg* mfgDate,
                                     TMfgDataDlg* mfgData) {
  batteryModeDlg_ = batteryMode;
  batteryStatDlg_ = batteryStat;
  specInfoDlg_ = specInfo;
  mfgDateDlg_ = mfgDate;
  mfgDataDlg_ = mfgData;
  connect(BMBtn, &QPushButton::clicked, this, &TMainForm::BMBtnClick);
  connect(BSBtn, &QPushButton::clicked, this, &TMainForm::BSBtnClick);
  connect(SIBtn, &QPushButton::clicked, this, &TMainForm::SIBtnClick);
  connect(MDBtn, &QPushButton::clicked, this, &TMainForm::MDBtnClick);
  connect(MDataBtn, &QPushButton::clicked, this, &TMainForm::MDataBtnClick);
}

void TMainForm::RunWordDecoder(WordDecoderDialog& dialog, const char* dataField) {
  QLineEdit* field = ClientArea->findChild<QLineEdit*>(QString::fromLatin1(dataField));
  dialog.DecoderValue = HexTextValue(field->text());
  if (dialog.exec() == QDialog::Accepted) field->setText(DecoderWordText(dialog.DecoderValue));
}

void TMainForm::BMBtnClick() {
  RunWordDecoder(*batteryModeDlg_, "BatteryModeData");
}

void TMainForm::BSBtnClick() {
  RunWordDecoder(*batteryStatDlg_, "BatteryStatusData");
}

void TMainForm::SIBtnClick() {
  RunWordDecoder(*specInfoDlg_, "SpecificationInfoData");
}

void TMainForm::MDBtnClick() {
  RunWordDecoder(*mfgDateDlg_, "ManufacturerDateData");
}

void TMainForm::MDataBtnClick() {
  QLineEdit* field = ClientArea->findChild<QLineEdit*>(QStringLiteral("ManufacturerDataData"));
  mfgDataDlg_->MfgDataString = field->text();
  if (mfgDataDlg_->exec() == QDialog::Accepted) field->setText(mfgDataDlg_->MfgDataString);
}
