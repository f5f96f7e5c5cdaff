#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "battery/RegisterTable.h"
#include "battery/RowControls.h"
#include "battery/UnitClass.h"

enum class ScanMode { Read, Write };

// The 33 register rows joined to the main window's controls. The catalogue
// owns no state of its own beyond the bindings: ticks, enabled states, data
// texts and unit classes are read back from the controls each time. The
// command line may add rows after the 33 (optional registers); the window
// never does.
class RegisterCatalogue {
 public:
  explicit RegisterCatalogue(std::vector<RegisterDefinition> extraRows = {});

  // The 33, and the extra rows.
  int RowCount() const { return static_cast<int>(rows_.size()); }

  // Binds every row to the controls named after its stem and ticks all rows.
  void BuildCatalogue(RowControlsSource& controls);

  std::uint8_t CommandCode(int row) const;
  QString RegisterName(int row) const;
  QString UnitClass(int row) const;
  TransactionKind TransactionKindOf(int row) const;
  bool IsWritable(int row) const;

  bool IsSelected(int row) const;
  void SetSelected(int row, bool selected);
  bool IsEnabled(int row) const;
  void SetEnabled(int row, bool enabled);
  void SelectAll(bool selected);

  QString DataText(int row) const;
  void SetDataText(int row, const QString& text);

  // Read mode enables every row; write mode only the writable ones. Unit
  // labels stay enabled and ticks are never touched.
  void SetMode(ScanMode mode);

  bool IsRow(int row) const { return row >= 0 && row < RowCount(); }

 private:
  RowControls& Controls(int row) const;
  const RegisterDefinition& Definition(int row) const;

  std::vector<RegisterDefinition> extraRows_;
  std::vector<RowControls*> rows_;
};
