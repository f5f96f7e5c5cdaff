#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "app/HelpWindows.h"
#include "app/HintSwitch.h"
#include "app/TMainForm.h"
#include "decoders/DecoderDialogs.h"
#include "link/adapter/PlatformBundle.h"

// Every window of the program, created once at start-up in a fixed order and
// kept until the program ends; the main window comes first, so its creation
// step runs before any dialog exists.
class ProgramWindows {
 public:
  ProgramWindows(PlatformBundle platform, BlockingPause pause);

  TMainForm& MainForm() { return *mainForm_; }
  TBatteryModeDlg& BatteryModeDlg() { return *batteryModeDlg_; }
  TAboutBox& AboutBox() { return *aboutBox_; }
  TBatteryStatDlg& BatteryStatDlg() { return *batteryStatDlg_; }
  TSpecInfoDlg& SpecInfoDlg() { return *specInfoDlg_; }
  TMfgDateDlg& MfgDateDlg() { return *mfgDateDlg_; }
  TMfgDataDlg& MfgDataDlg() { return *mfgDataDlg_; }
  TReadMe& ReadMe() { return *readMe_; }
  TRevReport& RevReport() { return *revReport_; }
  HintSwitch& Hints() { return hints_; }

  // The windows in the order they were created.
  const std::vector<QWidget*>& CreationOrder() const { return creationOrder_; }

 private:
  template <typename Window>
  Window* Created(std::unique_ptr<Window>& slot, std::unique_ptr<Window> window);

  HintSwitch hints_;
  std::vector<QWidget*> creationOrder_;
  // Declared in creation order, so the dialogs are destroyed before the main
  // window that may show them.
  std::unique_ptr<TMainForm> mainForm_;
  std::unique_ptr<TBatteryModeDlg> batteryModeDlg_;
  std::unique_ptr<TAboutBox> aboutBox_;
  std::unique_ptr<TBatteryStatDlg> batteryStatDlg_;
  std::unique_ptr<TSpecInfoDlg> specInfoDlg_;
  std::unique_ptr<TMfgDateDlg> mfgDateDlg_;
  std::unique_ptr<TMfgDataDlg> mfgDataDlg_;
  std::unique_ptr<TReadMe> readMe_;
  std::unique_ptr<TRevReport> revReport_;
};
