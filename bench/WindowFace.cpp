// The main window's face and nothing behind it: the same kinds and numbers of
// controls, with the same texts, fonts, ticks and sizes measured from the text,
// but no scan, no ports and no emulated rig. Measured beside the shared anchor, it
// tells what showing this face costs whatever program is behind it.
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <vector>

#include "battery/RegisterTable.h"

namespace {

QFont Arial(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  return font;
}

void AddRegisterRows(QWidget* area) {
  const QFont caption = Arial(13);
  const QFont field = Arial(11);
  for (int row = 0; row < kRegisterRowCount; ++row) {
    const RegisterDefinition& def = RegisterTable()[row];
    const int x = row < kFirstRightColumnRow ? 8 : 376;
    const int y = 16 + 16 * (row < kFirstRightColumnRow ? row : row - kFirstRightColumnRow);
    auto* check = new QCheckBox(QString::fromLatin1(def.registerName), area);
    check->setFont(caption);
    check->setChecked(true);
    check->adjustSize();
    check->move(x, y);
    auto* leader = new QLabel(area);
    leader->setFont(field);
    const int hyphens = 120 / QFontMetrics(field).horizontalAdvance(QLatin1Char('-'));
    leader->setText(QString(std::max(0, hyphens - check->width() / 8), QLatin1Char('-')));
    leader->setGeometry(x + check->width() + 2, y, 60, 16);
    auto* data = new QLineEdit(QString::fromLatin1(def.initialData), area);
    data->setFont(field);
    data->setTextMargins(1, 0, 1, 0);
    data->setGeometry(x + 160, y, 41, 16);
    data->setToolTip(QString::fromLatin1(def.dataHint));
    auto* unit = new QLabel(QString::fromLatin1(def.unitClass), area);
    unit->setFont(field);
    unit->adjustSize();
    unit->move(x + 208, y);
  }
  for (int button = 0; button < 5; ++button)
    (new QPushButton(area))->setGeometry(200, 40 + 16 * button, 9, 9);
}

void AddControls(QWidget* area) {
  const QFont font = Arial(13);
  for (const char* caption : {"Select All", "Read Data"}) {
    auto* button = new QPushButton(QString::fromLatin1(caption), area);
    button->setFont(font);
    button->setGeometry(caption[0] == 'S' ? 8 : 104, 312, 89, 25);
  }
  auto* repeat = new QCheckBox(QStringLiteral("Auto Repeat (10 Seconds)"), area);
  repeat->setFont(font);
  repeat->setGeometry(200, 316, 172, 17);
  for (const char* text : {"Using Com:", "SMBus Smart Battery Address:", "Status:"}) {
    auto* label = new QLabel(QString::fromLatin1(text), area);
    label->setFont(font);
    label->setWordWrap(true);
    label->setGeometry(text[0] == 'U' ? 8 : text[1] == 'M' ? 140 : 300, 346, 100, 34);
  }
  auto* ports = new QListWidget(area);
  ports->addItem(QStringLiteral("1"));
  ports->setCurrentRow(0);
  ports->setGeometry(78, 346, 57, 36);
  // The 128 address bytes, "00" to "FE", with the battery's "16" chosen at
  // the top: a list longer than it is high, so it shows its scroll bar.
  auto* addresses = new QListWidget(area);
  for (int address = 0; address < 256; address += 2) {
    addresses->addItem(QStringLiteral("%1").arg(address, 2, 16, QLatin1Char('0')).toUpper());
  }
  addresses->setCurrentRow(11);
  addresses->scrollToItem(addresses->item(11), QAbstractItemView::PositionAtTop);
  addresses->setGeometry(244, 346, 41, 36);
  auto* refresh = new QPushButton(QStringLiteral("Refresh"), area);
  refresh->setFont(Arial(11));
  refresh->setGeometry(14, 364, 49, 17);
  auto* status = new QLineEdit(QStringLiteral("<<Kavix Link Closed>>"), area);
  status->setFont(Arial(12));
  status->setGeometry(300, 362, 305, 23);
  auto* panel = new QFrame(area);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setGeometry(265, 112, 105, 65);
  // The logo panel and the label above the picture keep the system's own face.
  for (const char* text : {"SMBus", "Pelmor"}) {
    auto* label = new QLabel(QString::fromLatin1(text), panel);
    if (text[0] == 'P') {
      QFont product = label->font();
      product.setBold(true);
      product.setPixelSize(18);
      label->setFont(product);
    }
    label->setGeometry(0, text[0] == 'P' ? 32 : 8, 105, 22);
  }
  auto* heading = new QLabel(QStringLiteral("SMBus"), area);
  QFont underlined = heading->font();
  underlined.setBold(true);
  underlined.setUnderline(true);
  heading->setFont(underlined);
  heading->setGeometry(265, 190, 105, 18);
  QPixmap picture(32, 32);
  picture.fill(Qt::darkGreen);
  auto* image = new QLabel(area);
  image->setPixmap(picture);
  image->setGeometry(302, 212, 32, 32);
  auto* tabs = new QTabBar(area);
  tabs->setShape(QTabBar::RoundedSouth);
  tabs->addTab(QStringLiteral("Read Battery Data"));
  tabs->addTab(QStringLiteral("Write Battery Data"));
  tabs->setGeometry(0, 390, 623, 19);
}

void AddMenus(QMenuBar* bar) {
  const std::vector<std::pair<const char*, std::vector<const char*>>> menus = {
      {"&File", {"&Open Log File...", "&Close Log File", "E&xit"}},
      {"&Options",
       {"Show &Hints", "Auto Repeat Continuous", "Auto Repeat every 10 Seconds",
        "Auto Repeat every Minute", "Auto Repeat every 5 Minutes", "Auto Repeat every 10 Minutes",
        "Auto Repeat every Hour"}},
      {"&View", {"&Chart..."}},
      {"&Help", {"&ReadMe...", "R&evision Report...", "&About..."}},
  };
  for (const auto& [title, items] : menus) {
    QMenu* menu = bar->addMenu(QString::fromLatin1(title));
    for (const char* item : items) menu->addAction(QString::fromLatin1(item))->setCheckable(true);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("face"));
  auto* area = new QWidget(&window);
  area->setFixedSize(623, 409);
  window.setCentralWidget(area);
  AddRegisterRows(area);
  AddControls(area);
  AddMenus(window.menuBar());
  window.show();
  return QApplication::exec();
}
