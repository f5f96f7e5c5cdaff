#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <memory>
#include <vector>

#include "app/ProgramWindows.h"
#include "emulator/EmulatedRig.h"
#include "tests/support/QtPrinters.h"

using namespace std::chrono_literals;

// The program's windows on a deterministic rig, with the blocking pause
// recorded instead of waited for.
class AppFixture : public ::testing::Test {
 protected:
  void StartProgram() {
    windows = std::make_unique<ProgramWindows>(rig->Bundle(), [this](std::chrono::milliseconds ms) {
      pauses.push_back(ms);
      bannerVisibleDuringPause = !form().Discovery->isHidden();
    });
  }
  void TearDown() override { windows.reset(); }

  TMainForm& form() { return windows->MainForm(); }

  std::unique_ptr<EmulatedRig> rig = EmulatedRig::Deterministic();
  std::unique_ptr<ProgramWindows> windows;
  std::vector<std::chrono::milliseconds> pauses;
  bool bannerVisibleDuringPause = false;
};

inline QStringList Entries(const QListWidget* list) {
  QStringList entries;
  for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
  return entries;
}

inline QStringList SelectedEntries(const QListWidget* list) {
  QStringList selected;
  for (const QListWidgetItem* item : list->selectedItems()) selected << item->text();
  return selected;
}
