#include "app/TMainForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLayout>
#include <QMessageBox>

#include "app/HelpWindows.h"
#include "link/AddressList.h"
#include "link/ComPortDiscovery.h"
#include "link/LinkControl.h"

namespace {

constexpr std::chrono::milliseconds kRefreshPause{2000};

}  // namespace

TMainForm::TMainForm(PlatformBundle platform, HintSwitch& hints, BlockingPause pause)
    : platform_(platform),
      hints_(hints),
      pause_(std::move(pause)),
      log_(catalogue_, ports_, LogFormatter(LogFormatter::RegionalSeparators(QLocale::system()))),
      engine_({.adapter = platform.adapter,
               .catalogue = catalogue_,
               .controls = ports_,
               .status = ports_,
               .settings = ports_,
               .errors = ports_,
               .transactionTimer = Timer1,
               .repeatTimer = Timer2,
               .clock = clock_,
               .log = log_},
              ScanPolicy::Window()) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(BaseTitle());
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

  Timer1.SetTickHandler([this] { Timer1Timer(); });
  Timer2.SetTickHandler([this] { Timer2Timer(); });
  connect(ReadDataBtn, &QPushButton::clicked, this, &TMainForm::ReadDataBtnClick);
  connect(SelectBtn, &QPushButton::clicked, this, &TMainForm::SelectBtnClick);
  connect(TabSet1, &QTabBar::currentChanged, this, &TMainForm::TabSet1Click);
  connect(RefreshButton, &QPushButton::clicked, this, &TMainForm::RefreshButtonClick);
  connect(MenuFileOpenLogFile, &QAction::triggered, this, &TMainForm::MenuFileOpenLogFileClick);
  connect(MenuFileCloseLogFile, &QAction::triggered, this, &TMainForm::MenuFileCloseLogFileClick);
  connect(MenuFileExit, &QAction::triggered, this, &TMainForm::MenuFileExitClick);
  connect(MenuOptionsShowHints, &QAction::triggered, this, &TMainForm::MenuOptionsShowHintsClick);
  connect(MenuViewChart, &QAction::triggered, this, &TMainForm::MenuViewChartClick);
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

// The link closes with the program; adapter messages still queued for a
// window that no longer exists are dropped with the message hook.
TMainForm::~TMainForm() {
  if (publishing_) engine_.RemoveObserver(*publishing_);
  platform_.adapter.I2CClose();
}

QString TMainForm::StandardTitle() {
  return QStringLiteral("Dalvern Corp. -  Pelmor");
}

QString TMainForm::BaseTitle() const {
  QString title = StandardTitle();
  if (platform_.emulated) title += QStringLiteral(" - [emulated rig]");
  if (brokerState_) title += QStringLiteral(" - [MQTT %1]").arg(BrokerStateText(*brokerState_));
  return title;
}

void TMainForm::PublishPasses(Publisher& publisher, const QString& station) {
  if (publishing_) engine_.RemoveObserver(*publishing_);
  // The adapter is looked up when the port changes: the look may open it.
  publishing_ = std::make_unique<ScanPublishing>(
      publisher, catalogue_,
      [this, station, adapterPort = -1, adapter = AdapterIdentity()]() mutable {
        const std::optional<QString> portEntry = ports_.SelectedComPortEntry();
        const std::optional<int> address = ports_.SelectedAddressEntry();
        const int port = portEntry ? LinkControl::ComPortNumber(*portEntry) : 0;
        if (port != adapterPort) {
          adapterPort = port;
          adapter = {};
          for (const ProbedAdapter& found : platform_.probe.Adapters()) {
            if (found.port != port) continue;
            adapter = AdapterIdentityOf(QString::fromStdString(found.attachment),
                                        QString::fromStdString(found.device),
                                        QString::fromStdString(found.name));
          }
        }
        return PassPlace{station, port, address ? address_list::EntryText(*address) : QString(),
                         adapter};
      });
  engine_.AddObserver(*publishing_);
  ShowBrokerState(publisher.State());
}

void TMainForm::ShowBrokerState(BrokerState state) {
  brokerState_ = state;
  log_.ShowTitle();
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
  DiscoverComPorts();
  FillAddressList();
  log_.ClearHeaderFlags();
  catalogue_.BuildCatalogue(*this);
  ports_.ShowAllSelected(engine_.State().allSelected);
  TabSet1->setCurrentIndex(0);
}

bool TMainForm::AppMessageHandler(QEvent* message) {
  return engine_.AppMessageHandler(message);
}

void TMainForm::DispatchAdapterEvent(std::uint16_t eventCode) {
  engine_.DispatchAdapterEvent(eventCode);
}

ScanMode TMainForm::TabMode() const {
  return TabSet1->currentIndex() == 0 ? ScanMode::Read : ScanMode::Write;
}

void TMainForm::ReadDataBtnClick() {
  engine_.IsRunning() ? engine_.Stop() : engine_.Start(TabMode());
}

void TMainForm::Timer1Timer() {
  engine_.IssueNextTransaction();
}

void TMainForm::Timer2Timer() {
  engine_.RepeatPassWhenDue();
}

void TMainForm::SelectBtnClick() {
  engine_.State().allSelected ? engine_.DeselectAll() : engine_.SelectAll();
}

void TMainForm::TabSet1Click() {
  engine_.SetMode(TabMode());
}

void TMainForm::FillAddressList() {
  DestAddrListBox->clear();
  for (int entry = 0; entry < address_list::kEntries; ++entry) {
    DestAddrListBox->addItem(address_list::EntryText(entry));
  }
  DestAddrListBox->setCurrentRow(address_list::kSmartBatteryEntry);
  DestAddrListBox->scrollToItem(DestAddrListBox->item(address_list::kSmartBatteryEntry),
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

void TMainForm::MenuViewChartClick() {
  chart_.ShowWindow();
}

void TMainForm::MenuHelpReadMeClick() {
  windows_->ReadMe().exec();
}

void TMainForm::MenuHelpRevReportClick() {
  windows_->RevReport().exec();
}

void TMainForm::MenuHelpAboutClick() {
  windows_->AboutBox().exec();
}

void TMainForm::MenuOptionsAutoRepeatContinuousClick() {
  engine_.SetRepeatInterval(RepeatInterval::Continuous);
}

void TMainForm::MenuOptionsAutoRepeat10SecondsClick() {
  engine_.SetRepeatInterval(RepeatInterval::TenSeconds);
}

void TMainForm::MenuOptionsAutoRepeatMinuteClick() {
  engine_.SetRepeatInterval(RepeatInterval::Minute);
}

void TMainForm::MenuOptionsAutoRepeat5MinuteClick() {
  engine_.SetRepeatInterval(RepeatInterval::FiveMinutes);
}

void TMainForm::MenuOptionsAutoRepeat10MinuteClick() {
  engine_.SetRepeatInterval(RepeatInterval::TenMinutes);
}

void TMainForm::MenuOptionsAutoRepeatHourClick() {
  engine_.SetRepeatInterval(RepeatInterval::Hour);
}
