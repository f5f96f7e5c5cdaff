#pragma once

#include <QString>
#include <map>

#include "RegisterTable.h"
#include "RowControls.h"

// Plain-field stand-ins for the main window's row controls, built from the
// register table as the window builds its widgets.
struct FakeRow : RowControls {
  bool ticked = false;
  bool enabled = true;
  bool unitLabelEnabled = true;
  QString unitCaption;
  QString data;
  int dataWrites = 0;

  bool IsTicked() const override { return ticked; }
  void SetTicked(bool value) override { ticked = value; }
  bool IsEnabled() const override { return enabled; }
  void SetEnabled(bool value) override { enabled = value; }
  void SetUnitLabelEnabled(bool value) override { unitLabelEnabled = value; }
  QString UnitLabelCaption() const override { return unitCaption; }
  QString DataText() const override { return data; }
  void SetDataText(const QString& text) override {
    data = text;
    ++dataWrites;
  }
};

struct FakeRowControlsSource : RowControlsSource {
  std::map<QString, FakeRow> rows;
  FakeRowControlsSource() {
    for (const auto& def : RegisterTable()) {
      FakeRow& row = rows[QString::fromLatin1(def.controlStem)];
      row.unitCaption = QString::fromLatin1(def.unitClass);
      row.data = QString::fromLatin1(def.initialData);
    }
  }
  RowControls& ControlsFor(const QString& stem) override { return rows.at(stem); }
  FakeRow& Row(int index) {
    return rows.at(QString::fromLatin1(RegisterTable()[index].controlStem));
  }
};
