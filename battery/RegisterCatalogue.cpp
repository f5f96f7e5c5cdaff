#include "battery/RegisterCatalogue.h"

#include <stdexcept>

RegisterCatalogue::RegisterCatalogue(std::vector<RegisterDefinition> extraRows)
    : extraRows_(std::move(extraRows)), rows_(kRegisterRowCount + extraRows_.size(), nullptr) {}

const RegisterDefinition& RegisterCatalogue::Definition(int row) const {
  return row < kRegisterRowCount ? RegisterTable()[row] : extraRows_[row - kRegisterRowCount];
}

void RegisterCatalogue::BuildCatalogue(RowControlsSource& controls) {
  for (int row = 0; row < RowCount(); ++row) {
    rows_[row] = &controls.ControlsFor(QString::fromLatin1(Definition(row).controlStem));
  }
  SelectAll(true);
}

RowControls& RegisterCatalogue::Controls(int row) const {
  if (!IsRow(row) || rows_[row] == nullptr) {
    throw std::out_of_range("register row outside the catalogue or not bound");
  }
  return *rows_[row];
}

std::uint8_t RegisterCatalogue::CommandCode(int row) const {
  Controls(row);
  return Definition(row).commandCode;
}

QString RegisterCatalogue::RegisterName(int row) const {
  Controls(row);
  return QString::fromLatin1(Definition(row).registerName);
}

QString RegisterCatalogue::UnitClass(int row) const {
  return Controls(row).UnitLabelCaption();
}

TransactionKind RegisterCatalogue::TransactionKindOf(int row) const {
  return TransactionKindForUnitClass(UnitClass(row));
}

bool RegisterCatalogue::IsWritable(int row) const {
  Controls(row);
  return Definition(row).writable;
}

bool RegisterCatalogue::IsSelected(int row) const {
  return Controls(row).IsTicked();
}

void RegisterCatalogue::SetSelected(int row, bool selected) {
  Controls(row).SetTicked(selected);
}

bool RegisterCatalogue::IsEnabled(int row) const {
  return Controls(row).IsEnabled();
}

void RegisterCatalogue::SetEnabled(int row, bool enabled) {
  Controls(row).SetEnabled(enabled);
}

void RegisterCatalogue::SelectAll(bool selected) {
  for (int row = 0; row < RowCount(); ++row) SetSelected(row, selected);
}

QString RegisterCatalogue::DataText(int row) const {
  return Controls(row).DataText();
}

void RegisterCatalogue::SetDataText(int row, const QString& text) {
  Controls(row).SetDataText(text);
}

void RegisterCatalogue::SetMode(ScanMode mode) {
  for (int row = 0; row < RowCount(); ++row) {
    SetEnabled(row, mode == ScanMode::Read || IsWritable(row));
    Controls(row).SetUnitLabelEnabled(true);
  }
}
