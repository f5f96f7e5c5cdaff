#include "app/WidgetRowControls.h"

WidgetRowControls::WidgetRowControls(QCheckBox* checkBox, QLineEdit* dataField, QLabel* unitLabel)
    : checkBox_(checkBox), dataField_(dataField), unitLabel_(unitLabel) {}

bool WidgetRowControls::IsTicked() const {
  return checkBox_->isChecked();
}

void WidgetRowControls::SetTicked(bool ticked) {
  checkBox_->setChecked(ticked);
}

bool WidgetRowControls::IsEnabled() const {
  return checkBox_->isEnabled();
}

void WidgetRowControls::SetEnabled(bool enabled) {
  checkBox_->setEnabled(enabled);
  dataField_->setEnabled(enabled);
}

void WidgetRowControls::SetUnitLabelEnabled(bool enabled) {
  unitLabel_->setEnabled(enabled);
}

QString WidgetRowControls::UnitLabelCaption() const {
  return unitLabel_->text();
}

QString WidgetRowControls::DataText() const {
  return dataField_->text();
}

void WidgetRowControls::SetDataText(const QString& text) {
  dataField_->setText(text);
  dataField_->setCursorPosition(0);
}
