#pragma once

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <array>
#include <chrono>
#include <functional>
#include <memory>

#include "app/HintSwitch.h"
#include "app/LogFileDialog.h"
#include "app/MainFormPorts.h"
#include "app/ScanChart.h"
#include "app/SecondaryWindows.h"
#include "app/WidgetRowControls.h"
#include "battery/RegisterCatalogue.h"
#include "link/adapter/PlatformBundle.h"
#include "log/ScanLogFile.h"
#include "publish/PassPublishing.h"
#include "scan/ScanEngine.h"
#include "timing/LocalClock.h"
#include "timing/TimerfdTimer.h"

class WordDecoderDialog;

// Blocks the event loop's thread for a time (the pause after a COM port refresh).
using BlockingPause = std::function<void(std::chrono::milliseconds)>;

// The program's only non-modal window: the register table, the scan controls,
// the link settings and status line, the menus and the two timers.
class TMainForm : public QMainWindow, private RowControlsSource {
 public:
  TMainForm(PlatformBundle platform, HintSwitch& hints, BlockingPause pause);
  ~TMainForm() override;

  static QString StandardTitle();
  // The title without a log file's name: the standard title, on the emulated
  // rig a mark that no value in the window comes from a real pack, and while
  // passes are published the broker's state.
  QString BaseTitle() const;

  // Publishes every read pass of the window's scan, from now on.
  void PublishPasses(Publisher& publisher, const QString& station);
  // The broker's state as the title shows it.
  void ShowBrokerState(BrokerState state);

  // The windows reached from the Help menu and the five decoder buttons;
  // attaching them connects the decoder buttons (MainFormDecoders.cpp).
  void AttachSecondaryWindows(SecondaryWindows& windows);

  RegisterCatalogue& Catalogue() { return catalogue_; }
  // The scan behind the window's controls; observers of its events (the
  // chart, publishing) attach here.
  ScanEngine& Engine() { return engine_; }
  ScanChart& Chart() { return chart_; }
  const ScanLogFile& Log() const { return log_; }
  // The log file's dialog is OpenDialog1 unless a test answers in its place.
  void SetLogFileDialog(LogFileDialog& dialog) { logFileDialog_ = &dialog; }

  // Handlers.
  void FormCreate();
  // The application-wide message hook: hands every adapter message to the
  // event dispatch. It never marks a message as handled.
  bool AppMessageHandler(QEvent* message);
  void DispatchAdapterEvent(std::uint16_t eventCode);
  void ReadDataBtnClick();
  void Timer1Timer();
  void Timer2Timer();
  void SelectBtnClick();
  void TabSet1Click();
  void DiscoverComPorts();
  void RefreshButtonClick();
  void MenuFileOpenLogFileClick();
  void MenuFileCloseLogFileClick();
  void MenuFileExitClick();
  void MenuOptionsShowHintsClick();
  void MenuOptionsAutoRepeatContinuousClick();
  void MenuOptionsAutoRepeat10SecondsClick();
  void MenuOptionsAutoRepeatMinuteClick();
  void MenuOptionsAutoRepeat5MinuteClick();
  void MenuOptionsAutoRepeat10MinuteClick();
  void MenuOptionsAutoRepeatHourClick();
  void MenuViewChartClick();
  void MenuHelpReadMeClick();
  void MenuHelpRevReportClick();
  void MenuHelpAboutClick();
  void BMBtnClick();
  void BSBtnClick();
  void SIBtnClick();
  void MDBtnClick();
  void MDataBtnClick();

  // One register row's widgets.
  struct RowWidgets {
    QCheckBox* ChkBx;
    QLabel* leader;
    QLineEdit* Data;
    QLabel* Type;
  };
  const RowWidgets& Row(int row) const { return rows_[row]; }

  // Controls, named as their objectName.
  QWidget* ClientArea;
  QPushButton* BMBtn;
  QPushButton* BSBtn;
  QPushButton* SIBtn;
  QPushButton* MDBtn;
  QPushButton* MDataBtn;
  QPushButton* SelectBtn;
  QPushButton* ReadDataBtn;
  QCheckBox* AutoRepeat;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QListWidget* ComPortListBox;
  QPushButton* RefreshButton;
  QListWidget* DestAddrListBox;
  QLineEdit* DataBox;
  QFrame* Panel1;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* Label4;
  QLabel* Image1;
  QPushButton* Discovery;
  QTabBar* TabSet1;
  // The scan's transaction timer and auto-repeat timer.
  TimerfdTimer Timer1{ScanSequencer::kRepeatTickMs};
  TimerfdTimer Timer2{ScanSequencer::kRepeatTickMs};
  // The log file's dialog, built the first time it is shown: building a
  // file dialog reads the file system and the icon theme, which would delay
  // the window's first showing by more than a tenth of a second's worth.
  QFileDialog& OpenDialog1();

  QMenu* MenuFile;
  QAction* MenuFileOpenLogFile;
  QAction* MenuFileCloseLogFile;
  QAction* N1;
  QAction* MenuFileExit;
  QMenu* Options1;
  QAction* MenuOptionsShowHints;
  QAction* N3;
  QAction* MenuOptionsAutoRepeatContinuous;
  QAction* MenuOptionsAutoRepeat10Seconds;
  QAction* MenuOptionsAutoRepeatMinute;
  QAction* MenuOptionsAutoRepeat5Minute;
  QAction* MenuOptionsAutoRepeat10Minute;
  QAction* MenuOptionsAutoRepeatHour;
  QMenu* MenuView;
  QAction* MenuViewChart;
  QMenu* MenuHelp;
  QAction* MenuHelpReadMe;
  QAction* MenuHelpRevReport;
  QAction* MenuHelpAbout;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildRegisterTable();
  void BuildDecoderButtons();
  void BuildScanControls();
  void BuildLinkSettings();
  void BuildCentre();
  void BuildTabStrip();
  void BuildMenus();
  QFileDialog* openDialog1_ = nullptr;
  void FillAddressList();
  // What the tab strip chooses: reading or writing.
  ScanMode TabMode() const;
  RowControls& ControlsFor(const QString& controlStem) override;
  void RunWordDecoder(WordDecoderDialog& dialog, const char* dataField);
  void CloseLogAtEnd();

  PlatformBundle platform_;
  HintSwitch& hints_;
  BlockingPause pause_;
  std::array<RowWidgets, kRegisterRowCount> rows_{};
  std::vector<std::unique_ptr<WidgetRowControls>> rowControls_;
  RegisterCatalogue catalogue_;
  MainFormPorts ports_{*this};
  LocalClock clock_;
  ScanLogFile log_;
  LogFileDialog* logFileDialog_ = &ports_;
  ScanEngine engine_;
  ScanChart chart_{engine_, *this};
  std::unique_ptr<ScanPublishing> publishing_;
  std::optional<BrokerState> brokerState_;  // none when no pass is published
  SecondaryWindows* windows_ = nullptr;
};
