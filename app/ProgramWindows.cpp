#include "app/ProgramWindows.h"

#include <QApplication>

#include "app/ProgramIcon.h"

template <typename Window>
Window* ProgramWindows::Created(std::unique_ptr<Window>& slot, std::unique_ptr<Window> window) {
  slot = std::move(window);
  creationOrder_.push_back(slot.get());
  return slot.get();
}

ProgramWindows::ProgramWindows(PlatformBundle platform, BlockingPause pause) {
  // Every window of the program, message boxes included, carries its icon in
  // the title bar and the task bar.
  QApplication::setWindowIcon(ProgramWindowIcon());
  Created(mainForm_, std::make_unique<TMainForm>(platform, hints_, std::move(pause)));
  Created(batteryModeDlg_, std::make_unique<TBatteryModeDlg>());
  Created(aboutBox_, std::make_unique<TAboutBox>(platform.emulated));
  Created(batteryStatDlg_, std::make_unique<TBatteryStatDlg>());
  Created(specInfoDlg_, std::make_unique<TSpecInfoDlg>());
  Created(mfgDateDlg_, std::make_unique<TMfgDateDlg>());
  Created(mfgDataDlg_, std::make_unique<TMfgDataDlg>());
  Created(readMe_, std::make_unique<TReadMe>());
  Created(revReport_, std::make_unique<TRevReport>());
  mainForm_->AttachHelpWindows(readMe_.get(), revReport_.get(), aboutBox_.get());
  mainForm_->AttachDecoderDialogs(batteryModeDlg_.get(), batteryStatDlg_.get(), specInfoDlg_.get(),
                                  mfgDateDlg_.get(), mfgDataDlg_.get());
}
