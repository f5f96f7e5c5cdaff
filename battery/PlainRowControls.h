#pragma once

#include <QString>
#include <map>
#include <vector>

#include "battery/RegisterTable.h"
#include "battery/RowControls.h"

// Register rows held in plain fields instead of widgets, built from the
// register table as the window builds its widgets: the rows of the headless
// command line, and of tests.
struct PlainRow : RowControls {
  bool ticked = false;
  bool enabled = true;
  bool unitLabelEnabled = true;
  QString unitCaption;
  QString data;

  bool IsTicked() const override { return ticked; }
  void SetTicked(bool value) override { ticked = value; }
  bool IsEnabled() const override { return enabled; }
  void SetEnabled(bool value) override { enabled = value; }
  void SetUnitLabelEnabled(bool value) override { unitLabelEnabled = value; }
  QString UnitLabelCaption() const override { return unitCaption; }
  QString DataText() const override { return data; }
  void SetDataText(const QString& text) override { data = text; }
};

struct PlainRowControlsSource : RowControlsSource {
  std::map<QString, PlainRow> rows;
  // The register table's rows, and a catalogue's extra rows after them.
  explicit PlainRowControlsSource(const std::vector<RegisterDefinition>& extraRows = {}) {
    for (const auto& def : RegisterTable()) Add(def);
    for (const auto& def : extraRows) Add(def);
  }
  void Add(const RegisterDefinition& def) {
    PlainRow& row = rows[QString::fromLatin1(def.controlStem)];
    row.unitCaption = QString::fromLatin1(def.unitClass);
    row.data = QString::fromLatin1(def.initialData);
  }
  RowControls& ControlsFor(const QString& stem) override { return rows.at(stem); }
  PlainRow& Row(int index) {
    return rows.at(QString::fromLatin1(RegisterTable()[index].controlStem));
  }
};
