// Builds the main window's controls at their places in the 623 x 409 client area.
#include <QActionGroup>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMenuBar>

#include "app/ProgramIcon.h"
#include "app/TMainForm.h"
#include "battery/UnitClass.h"
#include "decoders/SingleSelectionList.h"

namespace {

constexpr int kRowHeight = 16;
constexpr int kTwoLineRowHeight = 40;
constexpr int kTableTop = 16;
constexpr int kDataFieldWidth = 41;
constexpr int kTwoLineDataWidth = 169;

QFont Face(const char* family, int pixels, bool bold = false) {
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QFont ArialFace(int pixels) {
  return Face("Arial", pixels);
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

void SetTextColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

struct RowPlace {
  int checkBoxX, y, dataX, dataY, dataWidth, unitX;
};

RowPlace PlaceOfRow(int row) {
  if (row < kFirstRightColumnRow) {
    const int y = kTableTop + kRowHeight * row;
    return {8, y, 168, y, kDataFieldWidth, 216};
  }
  if (row < kFirstTwoLineRow) {
    const int y = kTableTop + kRowHeight * (row - kFirstRightColumnRow);
    return {376, y, 504, y, kDataFieldWidth, 552};
  }
  const int y = kTableTop + kRowHeight * (kFirstTwoLineRow - kFirstRightColumnRow) +
                kTwoLineRowHeight * (row - kFirstTwoLineRow);
  return {376, y, 392, y + 18, kTwoLineDataWidth, 552};
}

}  // namespace

void TMainForm::BuildRegisterTable() {
  const QFont captionFont = ArialFace(13);
  const QFont fieldFont = ArialFace(11);
  const auto& table = RegisterTable();
  for (int row = 0; row < kRegisterRowCount; ++row) {
    const RegisterDefinition& def = table[row];
    const QString stem = QString::fromLatin1(def.controlStem);
    const RowPlace place = PlaceOfRow(row);
    RowWidgets& widgets = rows_[row];

    widgets.ChkBx = new QCheckBox(QString::fromLatin1(def.registerName), ClientArea);
    widgets.ChkBx->setObjectName(stem + QStringLiteral("ChkBx"));
    widgets.ChkBx->setFont(captionFont);
    widgets.ChkBx->adjustSize();
    widgets.ChkBx->move(place.checkBoxX, place.y);
    widgets.ChkBx->resize(widgets.ChkBx->width(), kRowHeight);

    const int leaderX = place.checkBoxX + widgets.ChkBx->width() + 2;
    const int leaderEnd = (row < kFirstTwoLineRow ? place.dataX : place.unitX) - 3;
    widgets.leader = new QLabel(ClientArea);
    widgets.leader->setObjectName(stem + QStringLiteral("Leader"));
    widgets.leader->setFont(fieldFont);
    const int hyphens = std::max(
        0, (leaderEnd - leaderX) / QFontMetrics(fieldFont).horizontalAdvance(QLatin1Char('-')));
    widgets.leader->setText(QString(hyphens, QLatin1Char('-')));
    widgets.leader->setGeometry(leaderX, place.y, std::max(0, leaderEnd - leaderX), kRowHeight);
    widgets.leader->setAccessibleName(QString());

    widgets.Data = new QLineEdit(QString::fromLatin1(def.initialData), ClientArea);
    widgets.Data->setObjectName(stem + QStringLiteral("Data"));
    widgets.Data->setFont(fieldFont);
    // Narrower margins than the style's, so five digits fit in the field;
    // drawn the same as a "padding: 0px 1px" style sheet, without one
    // style sheet engine per field.
    widgets.Data->setTextMargins(1, 0, 1, 0);
    widgets.Data->setGeometry(place.dataX, place.dataY, place.dataWidth, kRowHeight);
    widgets.Data->setReadOnly(!def.writable);
    widgets.Data->setToolTip(QString::fromLatin1(def.dataHint));
    widgets.Data->setAccessibleName(QString::fromLatin1(def.registerName));

    widgets.Type = new QLabel(QString::fromLatin1(def.unitClass), ClientArea);
    widgets.Type->setObjectName(stem + QStringLiteral("Type"));
    widgets.Type->setFont(fieldFont);
    widgets.Type->adjustSize();
    widgets.Type->move(place.unitX, place.y + (kRowHeight - widgets.Type->height()) / 2);
    widgets.Type->setToolTip(UnitClassHint(widgets.Type->text()));
    widgets.Type->setAccessibleName(QString::fromLatin1(def.registerName) +
                                    QStringLiteral(" unit"));
    widgets.Type->setAccessibleDescription(widgets.Type->text());

    rowControls_.push_back(
        std::make_unique<WidgetRowControls>(widgets.ChkBx, widgets.Data, widgets.Type));
  }
}

void TMainForm::BuildDecoderButtons() {
  struct DecoderButton {
    QPushButton*& button;
    const char* name;
    int row;
    const char* hint;
    const char* accessibleName;
  };
  const DecoderButton buttons[] = {
      {BMBtn, "BMBtn", 3, "Click to View or Edit BatteryMode bits.", "BatteryMode bits"},
      {BSBtn, "BSBtn", 22, "Click to View BatteryStatus information.", "BatteryStatus bits"},
      {SIBtn, "SIBtn", 26, "Click to View SpeficationInfo information.",
       "SpecificationInfo fields"},
      {MDBtn, "MDBtn", 27, "Click to View ManufactureDate information.", "ManufactureDate fields"},
      {MDataBtn, "MDataBtn", 32, nullptr, "ManufacturerData block editor"},
  };
  for (const DecoderButton& decoder : buttons) {
    decoder.button = Named(new QPushButton(ClientArea), decoder.name);
    const QRect field = rows_[decoder.row].Data->geometry();
    decoder.button->setGeometry(field.right() - 10, field.top() + (field.height() - 9) / 2, 9, 9);
    decoder.button->setFocusPolicy(Qt::NoFocus);
    if (decoder.hint != nullptr) decoder.button->setToolTip(QString::fromLatin1(decoder.hint));
    decoder.button->setAccessibleName(QString::fromLatin1(decoder.accessibleName));
  }
}

void TMainForm::BuildScanControls() {
  const QFont font = ArialFace(13);
  SelectBtn =
      Named(new QPushButton(MainFormPorts::SelectButtonCaption(false), ClientArea), "SelectBtn");
  SelectBtn->setGeometry(8, 312, 89, 25);
  SelectBtn->setToolTip(QStringLiteral("Select/Deselect All Data"));

  ReadDataBtn =
      Named(new QPushButton(MainFormPorts::ScanButtonCaption(false, ScanMode::Read), ClientArea),
            "ReadDataBtn");
  ReadDataBtn->setGeometry(104, 312, 89, 25);
  ReadDataBtn->setToolTip(QStringLiteral("Read or Write Selected Battery Data"));

  AutoRepeat =
      Named(new QCheckBox(QStringLiteral("Auto Repeat (10 Seconds)"), ClientArea), "AutoRepeat");
  AutoRepeat->setGeometry(200, 316, 172, 17);
  AutoRepeat->setToolTip(QStringLiteral("Automatic Repeat Read or Write Selected Data"));

  for (QWidget* widget : {static_cast<QWidget*>(SelectBtn), static_cast<QWidget*>(ReadDataBtn),
                          static_cast<QWidget*>(AutoRepeat)}) {
    widget->setFont(font);
  }
}

void TMainForm::BuildLinkSettings() {
  const QFont font = ArialFace(13);
  Label2 = Named(new QLabel(QStringLiteral("Using Com:"), ClientArea), "Label2");
  Label2->setGeometry(8, 346, 70, 16);
  ComPortListBox = Named(new SingleSelectionList(ClientArea), "ComPortListBox");
  ComPortListBox->setGeometry(78, 346, 57, 36);
  ComPortListBox->setAccessibleName(QStringLiteral("Using Com"));
  RefreshButton = Named(new QPushButton(QStringLiteral("Refresh"), ClientArea), "RefreshButton");
  RefreshButton->setGeometry(14, 364, 49, 17);
  RefreshButton->setFont(ArialFace(11));
  RefreshButton->setToolTip(QStringLiteral("Refresh ComPort List"));

  Label3 = Named(new QLabel(QStringLiteral("SMBus Smart Battery Address:"), ClientArea), "Label3");
  Label3->setGeometry(140, 346, 100, 34);
  Label3->setWordWrap(true);
  Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  DestAddrListBox = Named(new SingleSelectionList(ClientArea), "DestAddrListBox");
  DestAddrListBox->setGeometry(244, 346, 41, 36);
  DestAddrListBox->setToolTip(
      QStringLiteral("Select Smart Battery I2C Slave Address (Default = 0x16)"));
  DestAddrListBox->setAccessibleName(QStringLiteral("SMBus Smart Battery Address"));

  Label1 = Named(new QLabel(QStringLiteral("Status:"), ClientArea), "Label1");
  Label1->setGeometry(300, 346, 60, 16);
  DataBox = Named(new QLineEdit(QStringLiteral("<<Kavix Link Closed>>"), ClientArea), "DataBox");
  DataBox->setGeometry(300, 362, 305, 23);
  DataBox->setFont(ArialFace(12));
  DataBox->setAccessibleName(QStringLiteral("Status"));

  for (QWidget* widget : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(ComPortListBox),
                          static_cast<QWidget*>(Label3), static_cast<QWidget*>(DestAddrListBox),
                          static_cast<QWidget*>(Label1)}) {
    widget->setFont(font);
  }
}

void TMainForm::BuildCentre() {
  Panel1 = Named(new QFrame(ClientArea), "Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(2);
  Panel1->setGeometry(265, 112, 105, 65);
  Label5 = Named(new QLabel(QStringLiteral("SMBus"), Panel1), "Label5");
  Label5->setGeometry(0, 8, 105, 16);
  // Label7 lies one pixel below and to the right of Label6 as its shadow.
  Label7 = Named(new QLabel(QStringLiteral("Pelmor"), Panel1), "Label7");
  Label7->setGeometry(1, 33, 105, 22);
  Label6 = Named(new QLabel(QStringLiteral("Pelmor"), Panel1), "Label6");
  Label6->setGeometry(0, 32, 105, 22);
  for (QLabel* label : {Label5, Label6, Label7}) label->setAlignment(Qt::AlignCenter);
  QFont product = Label6->font();
  product.setBold(true);
  product.setPixelSize(18);
  Label6->setFont(product);
  Label7->setFont(product);
  SetTextColour(Label6, QColor(0x00, 0x00, 0x80));
  SetTextColour(Label7, QColor(0xa0, 0xa0, 0xa0));

  Label4 = Named(new QLabel(QStringLiteral("SMBus"), ClientArea), "Label4");
  QFont underlined = Label4->font();
  underlined.setBold(true);
  underlined.setUnderline(true);
  Label4->setFont(underlined);
  Label4->setAlignment(Qt::AlignCenter);
  Label4->setGeometry(265, 190, 105, 18);

  Image1 = Named(new QLabel(ClientArea), "Image1");
  Image1->setPixmap(ProgramIcon());
  Image1->setGeometry(302, 212, 32, 32);
  Image1->setToolTip(QStringLiteral("I2C on Windows by Dalvern Corporation"));
  Image1->setAccessibleName(QStringLiteral("Program icon"));

  Discovery = Named(
      new QPushButton(QStringLiteral("ComPort Discovery In Progress, Please Wait."), ClientArea),
      "Discovery");
  Discovery->setGeometry(168, 128, 297, 41);
  Discovery->setFont(ArialFace(13));
  Discovery->hide();
}

void TMainForm::BuildTabStrip() {
  TabSet1 = Named(new QTabBar(ClientArea), "TabSet1");
  TabSet1->setShape(QTabBar::RoundedSouth);
  TabSet1->setFont(Face("Sans Serif", 11));
  TabSet1->addTab(QStringLiteral("Read Battery Data"));
  TabSet1->addTab(QStringLiteral("Write Battery Data"));
  TabSet1->setExpanding(false);
  TabSet1->setDrawBase(true);
  TabSet1->setGeometry(0, 390, 623, 19);
  TabSet1->setAccessibleName(QStringLiteral("Read or Write"));
}

void TMainForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  const auto item = [](QMenu* menu, const char* name, const char* caption) {
    return Named(menu->addAction(QString::fromLatin1(caption)), name);
  };
  const auto separator = [](QMenu* menu, const char* name) {
    return Named(menu->addSeparator(), name);
  };

  MenuFile = Named(bar->addMenu(QStringLiteral("&File")), "MenuFile");
  MenuFileOpenLogFile = item(MenuFile, "MenuFileOpenLogFile", "&Open Log File...");
  MenuFileCloseLogFile = item(MenuFile, "MenuFileCloseLogFile", "&Close Log File");
  MenuFileCloseLogFile->setEnabled(false);
  N1 = separator(MenuFile, "N1");
  MenuFileExit = item(MenuFile, "MenuFileExit", "E&xit");

  Options1 = Named(bar->addMenu(QStringLiteral("&Options")), "Options1");
  MenuOptionsShowHints = item(Options1, "MenuOptionsShowHints", "Show &Hints");
  MenuOptionsShowHints->setCheckable(true);
  MenuOptionsShowHints->setChecked(true);
  MenuOptionsShowHints->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  MenuOptionsShowHints->setShortcutContext(Qt::ApplicationShortcut);
  addAction(MenuOptionsShowHints);
  N3 = separator(Options1, "N3");
  MenuOptionsAutoRepeatContinuous =
      item(Options1, "MenuOptionsAutoRepeatContinuous", "Auto Repeat Continuous");
  MenuOptionsAutoRepeat10Seconds =
      item(Options1, "MenuOptionsAutoRepeat10Seconds", "Auto Repeat every 10 Seconds");
  MenuOptionsAutoRepeatMinute =
      item(Options1, "MenuOptionsAutoRepeatMinute", "Auto Repeat every Minute");
  MenuOptionsAutoRepeat5Minute =
      item(Options1, "MenuOptionsAutoRepeat5Minute", "Auto Repeat every 5 Minutes");
  MenuOptionsAutoRepeat10Minute =
      item(Options1, "MenuOptionsAutoRepeat10Minute", "Auto Repeat every 10 Minutes");
  MenuOptionsAutoRepeatHour = item(Options1, "MenuOptionsAutoRepeatHour", "Auto Repeat every Hour");
  auto* intervals = new QActionGroup(this);
  for (QAction* action : {MenuOptionsAutoRepeatContinuous, MenuOptionsAutoRepeat10Seconds,
                          MenuOptionsAutoRepeatMinute, MenuOptionsAutoRepeat5Minute,
                          MenuOptionsAutoRepeat10Minute, MenuOptionsAutoRepeatHour}) {
    action->setCheckable(true);
    intervals->addAction(action);
  }
  MenuOptionsAutoRepeat10Seconds->setChecked(true);

  // The program's own addition: a window beside the main one, which stays as
  // it is.
  MenuView = Named(bar->addMenu(QStringLiteral("&View")), "MenuView");
  MenuViewChart = item(MenuView, "MenuViewChart", "&Chart...");

  MenuHelp = Named(bar->addMenu(QStringLiteral("&Help")), "MenuHelp");
  MenuHelpReadMe = item(MenuHelp, "MenuHelpReadMe", "&ReadMe...");
  MenuHelpRevReport = item(MenuHelp, "MenuHelpRevReport", "R&evision Report...");
  MenuHelpAbout = item(MenuHelp, "MenuHelpAbout", "&About...");
}

// The log file's dialog. Qt's own dialog, the same on every desktop, in its
// save form: that is the form that asks before an existing file is replaced.
// Its title and starting folder are Qt's defaults.
QFileDialog& TMainForm::OpenDialog1() {
  if (openDialog1_ != nullptr) return *openDialog1_;
  openDialog1_ = Named(new QFileDialog(this), "OpenDialog1");
  openDialog1_->setOption(QFileDialog::DontUseNativeDialog);
  openDialog1_->setAcceptMode(QFileDialog::AcceptSave);
  openDialog1_->setFileMode(QFileDialog::AnyFile);
  openDialog1_->setNameFilter(QStringLiteral("Text Files (*.txt)"));
  openDialog1_->setDefaultSuffix(QStringLiteral("TXT"));
  openDialog1_->selectFile(QStringLiteral("pelmorlog.txt"));
  return *openDialog1_;
}
