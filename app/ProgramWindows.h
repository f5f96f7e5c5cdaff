#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "app/HelpWindows.h"
#include "app/HintSwitch.h"
#include "app/SecondaryWindows.h"
#include "app/TMainForm.h"
#include "decoders/DecoderDialogs.h"
#include "link/adapter/PlatformBundle.h"

// Every window of the program, each created once and kept until the program
// ends, in a fixed order. The main window comes first, at start-up, so its
// creation step runs before any dialog exists. The others are created when
// first asked for, together with every window before them in the order that
// does not exist yet: the windows that exist were always created in that
// order, and the main window shows without waiting for dialogs that may never
// be opened.
class ProgramWindows : private SecondaryWindows {
 public:
  ProgramWindows(PlatformBundle platform, BlockingPause pause);

  TMainForm& MainForm() { return *mainForm_; }
  TBatteryModeDlg& BatteryModeDlg() override { return *Through(batteryModeDlg_); }
  TAboutBox& AboutBox() override { return *Through(aboutBox_); }
  TBatteryStatDlg& BatteryStatDlg() override { return *Through(batteryStatDlg_); }
  TSpecInfoDlg& SpecInfoDlg() override { return *Through(specInfoDlg_); }
  TMfgDateDlg& MfgDateDlg() override { return *Through(mfgDateDlg_); }
  TMfgDataDlg& MfgDataDlg() override { return *Through(mfgDataDlg_); }
  TReadMe& ReadMe() override { return *Through(readMe_); }
  TRevReport& RevReport() override { return *Through(revReport_); }
  HintSwitch& Hints() { return hints_; }

  // The windows created so far, in the order they were created.
  const std::vector<QWidget*>& CreationOrder() const { return creationOrder_; }

 private:
  template <typename Window>
  void Created(std::unique_ptr<Window>& slot, std::unique_ptr<Window> window);
  // Creates the windows in their order until the one in slot exists.
  template <typename Window>
  Window* Through(std::unique_ptr<Window>& slot);
  void CreateNext();

  bool emulated_;
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

template <typename Window>
Window* ProgramWindows::Through(std::unique_ptr<Window>& slot) {
  while (!slot) CreateNext();
  return slot.get();
}
