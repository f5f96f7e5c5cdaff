#pragma once

#include <QString>

// The three controls of one register row as the core sees them: the check box
// (tick and enabled state), the data field and the unit label. The main window
// implements it over its real widgets; tests implement it with plain fields.
class RowControls {
 public:
  virtual ~RowControls() = default;

  virtual bool IsTicked() const = 0;
  virtual void SetTicked(bool ticked) = 0;

  // Enables or disables the check box and the data field together.
  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;

  virtual void SetUnitLabelEnabled(bool enabled) = 0;
  virtual QString UnitLabelCaption() const = 0;

  virtual QString DataText() const = 0;
  virtual void SetDataText(const QString& text) = 0;
};

// Hands out the controls of a row by its control stem ("Voltage" for
// VoltageChkBx, VoltageData and VoltageType).
class RowControlsSource {
 public:
  virtual ~RowControlsSource() = default;
  virtual RowControls& ControlsFor(const QString& controlStem) = 0;
};
