#include "app/ProgramWindows.h"

#include <QApplication>

#include "app/ProgramIcon.h"

template <typename Window>
void ProgramWindows::Created(std::unique_ptr<Window>& slot, std::unique_ptr<Window> window) {
  slot = std::move(window);
  creationOrder_.push_back(slot.get());
}

ProgramWindows::ProgramWindows(PlatformBundle platform, BlockingPause pause)
    : emulated_(platform.emulated) {
  // Every window of the program, message boxes included, carries its icon in
  // the title bar and the task bar.
  QApplication::setWindowIcon(ProgramWindowIcon());
  Created(mainForm_, std::make_unique<TMainForm>(platform, hints_, std::move(pause)));
  mainForm_->AttachSecondaryWindows(*this);
}

void ProgramWindows::CreateNext() {
  switch (creationOrder_.size()) {
    case 1:
      return Created(batteryModeDlg_, std::make_unique<TBatteryModeDlg>());
    case 2:
      return Created(aboutBox_, std::make_unique<TAboutBox>(emulated_));
    case 3:
      return Created(batteryStatDlg_, std::make_unique<TBatteryStatDlg>());
    case 4:
      return Created(specInfoDlg_, std::make_unique<TSpecInfoDlg>());
    case 5:
      return Created(mfgDateDlg_, std::make_unique<TMfgDateDlg>());
    case 6:
      return Created(mfgDataDlg_, std::make_unique<TMfgDataDlg>());
    case 7:
      return Created(readMe_, std::make_unique<TReadMe>());
    default:
      return Created(revReport_, std::make_unique<TRevReport>());
  }
}
