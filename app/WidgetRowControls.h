#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "battery/RowControls.h"

// One register row's widgets on the main window, seen through the core's port.
class WidgetRowControls : public RowControls {
 public:
  WidgetRowControls(QCheckBox* checkBox, QLineEdit* dataField, QLabel* unitLabel);

  bool IsTicked() const override;
  void SetTicked(bool ticked) override;
  bool IsEnabled() const override;
  void SetEnabled(bool enabled) override;
  void SetUnitLabelEnabled(bool enabled) override;
  QString UnitLabelCaption() const override;
  QString DataText() const override;
  void SetDataText(const QString& text) override;

 private:
  QCheckBox* checkBox_;
  QLineEdit* dataField_;
  QLabel* unitLabel_;
};
