// The main window's five decoder-button handlers: the
// field's text goes into the dialog, the dialog is shown modally, and only OK
// writes its result back; Cancel leaves the field exactly as it was. Timers
// and adapter messages are still handled while a dialog is open, so a running
// scan goes on behind it.
#include "app/TMainForm.h"
#include "decoders/DecoderDialogs.h"

void TMainForm::AttachSecondaryWindows(SecondaryWindows& windows) {
  windows_ = &windows;
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
  RunWordDecoder(windows_->BatteryModeDlg(), "BatteryModeData");
}

void TMainForm::BSBtnClick() {
  RunWordDecoder(windows_->BatteryStatDlg(), "BatteryStatusData");
}

void TMainForm::SIBtnClick() {
  RunWordDecoder(windows_->SpecInfoDlg(), "SpecificationInfoData");
}

void TMainForm::MDBtnClick() {
  RunWordDecoder(windows_->MfgDateDlg(), "ManufacturerDateData");
}

void TMainForm::MDataBtnClick() {
  QLineEdit* field = ClientArea->findChild<QLineEdit*>(QStringLiteral("ManufacturerDataData"));
  TMfgDataDlg& dialog = windows_->MfgDataDlg();
  dialog.MfgDataString = field->text();
  if (dialog.exec() == QDialog::Accepted) field->setText(dialog.MfgDataString);
}
