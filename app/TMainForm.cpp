#include "TMainForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLayout>
#include <QMessageBox>

#include "AdapterMessages.h"
#include "ComPortDiscovery.h"
#include "HelpWindows.h"
#include "HexText.h"

namespace {

constexpr int kAddressEntries = 128;
constexpr int kDefaultAddressEntry = 11;  // "16", the Smart Battery's address byte 0x16
constexpr std::chrono::milliseconds kRefreshPause{2000};

// Sees every event the application takes from its queue and passes it to the
// main window's message hook.
class MessageHook : public QObject {
 public:
  explicit MessageHook(TMainForm& form) : form_(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    form_.AppMessageHandler(event);
    return QObject::eventFilter(watched, event);
  }

 private:
  TMainForm& form_;
};

}  // namespace

TMainForm::TMainForm(PlatformBundle platform, HintSwitch& hints, BlockingPause pause)
    : platform_(platform),
      hints_(hints),
      pause_(std::move(pause)),
      log_(catalogue_, ports_, LogFormatter(LogFormatter::RegionalSeparators(QLocale::system()))),
      link_(platform.adapter, ports_, ports_, ports_, PostToApplication()),
      transactions_(scanState_,
                    {platform.adapter, catalogue_, ports_, ports_, ports_, Timer1, log_}),
      sequencer_(scanState_,
                 {catalogue_, ports_, link_, transactions_, Timer1, Timer2, clock_, log_}),
      dispatch_({platform.adapter, catalogue_, sequencer_, ports_, Timer1, log_}) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(StandardTitle());
  ClientArea = new QWidget(this);
  ClientArea->setObjectName(QStringLiteral("ClientArea"));
  ClientArea->setFixedSize(623, 409);
  setCentralWidget(ClientArea);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  move(193, 112);

  BuildRegisterTable();
  BuildDecoderButtons();
  BuildScanControls();
  BuildLinkSettings();
  BuildCentre();
  BuildTabStrip();
  BuildMenus();
  setTabOrder(ReadDataBtn, SelectBtn);
  setTabOrder(SelectBtn, AutoRepeat);
  ReadDataBtn->setFocus();

  connect(ReadDataBtn, &QPushButton::clicked, this, &TMainForm::ReadDataBtnClick);
  connect(SelectBtn, &QPushButton::clicked, this, &TMainForm::SelectBtnClick);
  connect(TabSet1, &QTabBar::currentChanged, this, &TMainForm::TabSet1Click);
  Timer1.SetTickHandler([this] { Timer1Timer(); });
  Timer2.SetTickHandler([this] { Timer2Timer(); });
  connect(RefreshButton, &QPushButton::clicked, this, &TMainForm::RefreshButtonClick);
  connect(MenuFileOpenLogFile, &QAction::triggered, this, &TMainForm::MenuFileOpenLogFileClick);
  connect(MenuFileCloseLogFile, &QAction::triggered, this, &TMainForm::MenuFileCloseLogFileClick);
  connect(MenuFileExit, &QAction::triggered, this, &TMainForm::MenuFileExitClick);
  connect(MenuOptionsShowHints, &QAction::triggered, this, &TMainForm::MenuOptionsShowHintsClick);
  connect(MenuHelpReadMe, &QAction::triggered, this, &TMainForm::MenuHelpReadMeClick);
  connect(MenuHelpRevReport, &QAction::triggered, this, &TMainForm::MenuHelpRevReportClick);
  connect(MenuHelpAbout, &QAction::triggered, this, &TMainForm::MenuHelpAboutClick);
  connect(MenuOptionsAutoRepeatContinuous, &QAction::triggered, this,
          &TMainForm::MenuOptionsAutoRepeatContinuousClick);
  connect(MenuOptionsAutoRepeat10Seconds, &QAction::triggered, this,
          &TMainForm::MenuOptionsAutoRepeat10SecondsClick);
  connect(MenuOptionsAutoRepeatMinute, &QAction::triggered, this,
          &TMainForm::MenuOptionsAutoRepeatMinuteClick);
  connect(MenuOptionsAutoRepeat5Minute, &QAction::triggered, this,
          &TMainForm::MenuOptionsAutoRepeat5MinuteClick);
  connect(MenuOptionsAutoRepeat10Minute, &QAction::triggered, this,
          &TMainForm::MenuOptionsAutoRepeat10MinuteClick);
  connect(MenuOptionsAutoRepeatHour, &QAction::triggered, this,
          &TMainForm::MenuOptionsAutoRepeatHourClick);

  FormCreate();
}

// The link closes with the program, and adapter messages still queued for a
// window that no longer exists are dropped.
TMainForm::~TMainForm() {
  platform_.adapter.I2CClose();
  QCoreApplication::removePostedEvents(QCoreApplication::instance(), AdapterMessage::kType);
}

QString TMainForm::StandardTitle() {
  return QStringLiteral("Dalvern Corp. -  Pelmor");
}

void TMainForm::AttachHelpWindows(TReadMe* readMe, TRevReport* revReport, TAboutBox* aboutBox) {
  readMe_ = readMe;
  revReport_ = revReport;
  aboutBox_ = aboutBox;
}

RowControls& TMainForm::ControlsFor(const QString& controlStem) {
  for (int row = 0; row < kRegisterRowCount; ++row) {
    if (rows_[row].ChkBx->objectName() == controlStem + QStringLiteral("ChkBx")) {
      return *rowControls_[row];
    }
  }
  throw std::invalid_argument("no register row has the control stem " + controlStem.toStdString());
}

void TMainForm::FormCreate() {
  messageHook_ = std::make_unique<MessageHook>(*this);
  QCoreApplication::instance()->installEventFilter(messageHook_.get());
  DiscoverComPorts();
  FillAddressList();
  log_.ClearHeaderFlags();
  catalogue_.BuildCatalogue(*this);
  SelectBtn->setText(QStringLiteral("Deselect All"));
  TabSet1->setCurrentIndex(0);
}

bool TMainForm::AppMessageHandler(QEvent* message) {
  if (message->type() == AdapterMessage::kType) {
    DispatchAdapterEvent(
        static_cast<std::uint16_t>(static_cast<AdapterMessage*>(message)->FirstParameter()));
  }
  return false;
}

void TMainForm::DispatchAdapterEvent(std::uint16_t eventCode) {
  dispatch_.DispatchAdapterEvent(eventCode);
}

void TMainForm::ReadDataBtnClick() {
  sequencer_.ReadDataBtnClick();
}

void TMainForm::SelectBtnClick() {
  sequencer_.SelectBtnClick();
}

void TMainForm::TabSet1Click() {
  sequencer_.TabSet1Click();
}

void TMainForm::Timer1Timer() {
  sequencer_.Timer1Timer();
}

void TMainForm::Timer2Timer() {
  sequencer_.Timer2Timer();
}

void TMainForm::FillAddressList() {
  DestAddrListBox->clear();
  for (int entry = 0; entry < kAddressEntries; ++entry) {
    DestAddrListBox->addItem(HexText(static_cast<std::uint32_t>(entry * 2), 2));
  }
  DestAddrListBox->setCurrentRow(kDefaultAddressEntry);
  DestAddrListBox->scrollToItem(DestAddrListBox->item(kDefaultAddressEntry),
                                QAbstractItemView::PositionAtTop);
}

void TMainForm::DiscoverComPorts() {
  const ComPortListing listing = ::DiscoverComPorts(platform_.prober);
  ComPortListBox->clear();
  ComPortListBox->addItems(listing.entries);
  ComPortListBox->setToolTip(listing.hint);
  if (listing.selectedRow) {
    ComPortListBox->setCurrentRow(*listing.selectedRow);
    ComPortListBox->scrollToItem(ComPortListBox->item(*listing.selectedRow),
                                 QAbstractItemView::PositionAtTop);
  } else {
    ComPortListBox->setCurrentRow(-1);
    ComPortListBox->clearSelection();
  }
}

void TMainForm::RefreshButtonClick() {
  Discovery->show();
  Discovery->repaint();
  DiscoverComPorts();
  pause_(kRefreshPause);
  Discovery->hide();
}

void TMainForm::MenuFileOpenLogFileClick() {
  const std::optional<QString> path = logFileDialog_->ChooseLogFile();
  if (path) log_.OpenLogFile(*path);
}

void TMainForm::MenuFileCloseLogFileClick() {
  log_.MenuFileCloseLogFileClick();
}

void TMainForm::MenuFileExitClick() {
  platform_.adapter.I2CClose();
  CloseLogAtEnd();
  QCoreApplication::exit(0);
}

// Closing the window by its close control also closes the adapter link: the
// program ends either way, and a link left open would hold the serial port.
void TMainForm::closeEvent(QCloseEvent* event) {
  platform_.adapter.I2CClose();
  CloseLogAtEnd();
  QMainWindow::closeEvent(event);
}

// The program ends with a log open as Close Log File would end it: what is
// buffered reaches the file and the last line is ended, so nothing that was
// read is lost because the program ended. When that fails the box says so,
// and the program ends all the same.
void TMainForm::CloseLogAtEnd() {
  if (!ports_.LogFileOpen()) return;
  const std::optional<QString> error = log_.CloseLogFile();
  if (!error) return;
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                  *error + QStringLiteral("\n\nPelmor ends now; the end of the log is lost."),
                  QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("MessageBox"));
  box.exec();
}

void TMainForm::MenuOptionsShowHintsClick() {
  hints_.Toggle();
  MenuOptionsShowHints->setChecked(hints_.IsOn());
}

void TMainForm::MenuHelpReadMeClick() {
  readMe_->exec();
}

void TMainForm::MenuHelpRevReportClick() {
  revReport_->exec();
}

void TMainForm::MenuHelpAboutClick() {
  aboutBox_->exec();
}

void TMainForm::MenuOptionsAutoRepeatContinuousClick() {
  sequencer_.MenuOptionsAutoRepeatContinuousClick();
}

void TMainForm::MenuOptionsAutoRepeat10SecondsClick() {
  sequencer_.MenuOptionsAutoRepeat10SecondsClick();
}

void TMainForm::MenuOptionsAutoRepeatMinuteClick() {
  sequencer_.MenuOptionsAutoRepeatMinuteClick();
}

void TMainForm::MenuOptionsAutoRepeat5MinuteClick() {
  sequencer_.MenuOptionsAutoRepeat5MinuteClick();
}

void TMainForm::MenuOptionsAutoRepeat10MinuteClick() {
  sequencer_.MenuOptionsAutoRepeat10MinuteClick();
}

void TMainForm::MenuOptionsAutoRepeatHourClick() {
  sequencer_.MenuOptionsAutoRepeatHourClick();
}
