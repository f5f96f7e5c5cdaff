#pragma once

class TBatteryModeDlg;
class TAboutBox;
class TBatteryStatDlg;
class TSpecInfoDlg;
class TMfgDateDlg;
class TMfgDataDlg;
class TReadMe;
class TRevReport;

// The windows the main window shows on demand: the five field decoders, the
// two viewers and the About box. Each is the same window every time it is
// asked for.
class SecondaryWindows {
 public:
  virtual TBatteryModeDlg& BatteryModeDlg() = 0;
  virtual TAboutBox& AboutBox() = 0;
  virtual TBatteryStatDlg& BatteryStatDlg() = 0;
  virtual TSpecInfoDlg& SpecInfoDlg() = 0;
  virtual TMfgDateDlg& MfgDateDlg() = 0;
  virtual TMfgDataDlg& MfgDataDlg() = 0;
  virtual TReadMe& ReadMe() = 0;
  virtual TRevReport& RevReport() = 0;

 protected:
  ~SecondaryWindows() = default;
};
