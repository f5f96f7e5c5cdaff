#include "decoders/DecoderDialogs.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyledItemDelegate>

#include "decoders/SingleSelectionList.h"

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 12;
constexpr int kBoxPitch = 16;  // check boxes one below the other, 16 units apart
constexpr int kGridColumnWidth = 20;
constexpr int kGridRowHeight = 14;

QFont DialogFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  return font;
}

QString Latin1(const char* text) {
  return QString::fromLatin1(text);
}

QCheckBox* BitCheckBox(QWidget* parent, const BitBox& bit, QPoint where) {
  auto* box = new QCheckBox(Latin1(bit.caption), parent);
  box->setObjectName(Latin1(bit.name));
  box->setAccessibleName(Latin1(bit.caption));
  box->setToolTip(Latin1(bit.hint));
  box->adjustSize();
  box->move(where);
  box->resize(box->width(), kBoxPitch);
  return box;
}

QGroupBox* Group(QWidget* parent, const QString& title, QRect where, const char* name = nullptr) {
  auto* group = new QGroupBox(title, parent);
  if (name != nullptr) group->setObjectName(Latin1(name));
  group->setGeometry(where);
  return group;
}

// A list two entries high whose selection only another entry replaces,
// filled once, at (x, y).
QListWidget* List(QWidget* parent, const char* name, const QStringList& entries, const char* hint,
                  int x, int y, int width) {
  auto* list = new SingleSelectionList(parent);
  list->setObjectName(Latin1(name));
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->addItems(entries);
  list->setToolTip(Latin1(hint));
  list->setAccessibleName(Latin1(name));
  list->setAccessibleDescription(Latin1(hint));
  list->setGeometry(x, y, width, 2 * list->sizeHintForRow(0) + 2 * list->frameWidth());
  return list;
}

// Inside a framed group: the margin, and the top below the group's title.
constexpr int kGroupMargin = 10;
constexpr int kGroupTop = 20;

// A sub-group titled like its list, holding the list; its height follows the
// list's height.
QListWidget* ListGroup(QWidget* parent, const char* title, const char* name,
                       const QStringList& entries, const char* hint, int x, int width) {
  QGroupBox* group = Group(parent, Latin1(title), QRect(x, kGroupTop, width, 0));
  QListWidget* list =
      List(group, name, entries, hint, kGroupMargin, kGroupTop, width - 2 * kGroupMargin);
  group->resize(width, kGroupTop + list->height() + kGroupMargin);
  return list;
}

// Fits an outer group's height to its sub-groups.
void FitHeight(QGroupBox* group) {
  int bottom = 0;
  for (const QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    bottom = std::max(bottom, child->geometry().bottom() + 1);
  }
  group->resize(group->width(), bottom + kGroupMargin);
}

QStringList Numbers(int first, int last) {
  QStringList numbers;
  for (int n = first; n <= last; ++n) numbers << QString::number(n);
  return numbers;
}

// Selects the entry and scrolls it to the top; an index without an entry
// leaves the list without a selection.
void SelectAtTop(QListWidget* list, int index) {
  if (index < 0 || index >= list->count()) {
    list->clearSelection();
    list->setCurrentRow(-1);
    return;
  }
  list->setCurrentRow(index);
  list->scrollToItem(list->item(index), QAbstractItemView::PositionAtTop);
}

void CentreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

// The byte cells take at most two hexadecimal digits: a three-digit value
// would make a 96-character string that the next opening throws away.
class ByteCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The cell editor open now, if any.
  QWidget* OpenEditor() const { return editor_; }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    editor_ = editor;
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->setMaxLength(2);
      line->setValidator(new QRegularExpressionValidator(
          QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,2}")), line));
      line->setFrame(false);
      line->setTextMargins(0, 0, 0, 0);
      line->setContentsMargins(0, 0, 0, 0);
    }
    return editor;
  }

  // Enter commits the cell and closes its editor at once, and then goes on to
  // the dialog, whose default button takes it as from any other control.
  // (Qt's own handling commits only later and keeps the key from the dialog.)
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor != nullptr && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        return false;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  mutable QPointer<QWidget> editor_;
};

// Tab moves from cell to cell; from the last cell (Shift+Tab: the first) it
// leaves the grid, so OK and Cancel stay reachable by keyboard.
class ByteGrid : public QTableWidget {
 public:
  ByteGrid(int rows, int columns, QWidget* parent)
      : QTableWidget(rows, columns, parent), delegate_(new ByteCellDelegate(this)) {
    setItemDelegate(delegate_);
  }

  // Writes a cell still being edited into the grid and closes its editor, so
  // a close that moves no focus out of the cell keeps what was typed.
  void CommitOpenEditor() {
    QWidget* editor = delegate_->OpenEditor();
    if (state() != QAbstractItemView::EditingState || editor == nullptr) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }

 protected:
  bool focusNextPrevChild(bool next) override {
    const int column = currentColumn();
    if ((next && column >= columnCount() - 1) || (!next && column <= 0)) {
      return QWidget::focusNextPrevChild(next);
    }
    return QTableWidget::focusNextPrevChild(next);
  }

  // The same for Tab in an open cell editor, which would otherwise wrap round.
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
    const bool leaveForward =
        hint == QAbstractItemDelegate::EditNextItem && currentColumn() >= columnCount() - 1;
    const bool leaveBackward =
        hint == QAbstractItemDelegate::EditPreviousItem && currentColumn() <= 0;
    if (!leaveForward && !leaveBackward) {
      QTableWidget::closeEditor(editor, hint);
      return;
    }
    QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
    QWidget::focusNextPrevChild(leaveForward);
  }

 private:
  ByteCellDelegate* delegate_;
};

}  // namespace

int SelectedIndex(const QListWidget* list) {
  const QModelIndexList selected = list->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.first().row();
}

// ---- DecoderDialog ----------------------------------------------------------

DecoderDialog::DecoderDialog(const char* objectName, const char* title, QSize client) {
  setObjectName(Latin1(objectName));
  setWindowTitle(Latin1(title));
  // A fixed dialog frame with a title and no title-bar buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  setFixedSize(client);
  setFont(DialogFont());
}

void DecoderDialog::AddButtons(int okX, int y) {
  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setGeometry(okX, y, kButtonWidth, kButtonHeight);
  OKBtn->setToolTip(QStringLiteral("Click to close and accept any changes."));
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setGeometry(okX + kButtonWidth + kButtonGap, y, kButtonWidth, kButtonHeight);
  CancelBtn->setToolTip(QStringLiteral("Click to close and ignore any changes."));
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void DecoderDialog::showEvent(QShowEvent* event) {
  // Only the program's own showing opens the dialog. The window system's
  // (a restore from minimised) keeps the user's edits and focus.
  if (!event->spontaneous()) {
    FormActivate();
    CentreOnScreen(this);
    CancelBtn->setFocus();
  }
  QDialog::showEvent(event);
}

void DecoderDialog::done(int result) {
  FormClose();
  QDialog::done(result);
}

// ---- BatteryMode -----------------------------------------------

TBatteryModeDlg::TBatteryModeDlg()
    : WordDecoderDialog("BatteryModeDlg", "Battery Mode", QSize(261, 202)) {
  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(8, 8, 245, 145);
  for (int i = 0; i < kBatteryModeBoxCount; ++i) {
    Boxes[i] = BitCheckBox(Bevel1, BatteryModeBits()[i], QPoint(28, 16 + kBoxPitch * i));
  }
  AddButtons(43, 166);
}

void TBatteryModeDlg::FormActivate() {
  const BatteryModeBoxes ticked = BatteryModeFromWord(DecoderValue);
  for (int i = 0; i < kBatteryModeBoxCount; ++i) Boxes[i]->setChecked(ticked[i]);
}

void TBatteryModeDlg::FormClose() {
  BatteryModeBoxes ticked{};
  for (int i = 0; i < kBatteryModeBoxCount; ++i) ticked[i] = Boxes[i]->isChecked();
  DecoderValue = WordFromBatteryMode(ticked);
}

// ---- BatteryStatus ---------------------------------------------

TBatteryStatDlg::TBatteryStatDlg()
    : WordDecoderDialog("BatteryStatDlg", "Battery Status", QSize(552, 222)) {
  Alarms = Group(this, QStringLiteral("Alarms"), QRect(6, 6, 234, 208), "Alarms");
  for (int i = 0; i < kBatteryStatusAlarmCount; ++i) {
    Boxes[i] = BitCheckBox(Alarms, BatteryStatusBits()[i], QPoint(8, 20 + kBoxPitch * i));
  }
  const char* const notes[] = {"1) Sends AlarmWarning() to SMBus Host",
                               "and Smart Battery Charger.",
                               "2) Sends AlarmWarning() to SMBus Host", "Only."};
  for (int line = 0; line < 4; ++line) {
    auto* note = new QLabel(Latin1(notes[line]), Alarms);
    note->setObjectName(QStringLiteral("Label%1").arg(line + 1));
    note->setGeometry(line % 2 == 0 ? 8 : 22, 124 + 17 * line, 220, 16);
  }

  Status = Group(this, QStringLiteral("Status"), QRect(246, 6, 144, 90), "Status");
  for (int i = kBatteryStatusAlarmCount; i < kBatteryStatusBoxCount; ++i) {
    Boxes[i] = BitCheckBox(Status, BatteryStatusBits()[i],
                           QPoint(8, 20 + kBoxPitch * (i - kBatteryStatusAlarmCount)));
  }

  RadioGroup1 = Group(this, QStringLiteral("Error Codes"), QRect(396, 6, 150, 168), "RadioGroup1");
  RadioGroup1->setToolTip(ErrorCodesHint());
  RadioGroup1->setAccessibleDescription(ErrorCodesHint());
  auto* codes = new QButtonGroup(this);
  for (int code = 0; code < kErrorCodeCount; ++code) {
    auto* item = new QRadioButton(Latin1(ErrorCodes()[code].item), RadioGroup1);
    item->setObjectName(QStringLiteral("ErrorCode%1").arg(code));
    item->setAccessibleName(item->text());
    item->setAccessibleDescription(Latin1(ErrorCodes()[code].hintLine));
    item->adjustSize();
    item->move(8, 20 + 18 * code);
    codes->addButton(item, code);
    ErrorCodeItems[code] = item;
  }
  AddButtons(315, 185);
}

int TBatteryStatDlg::ErrorCodeIndex() const {
  for (int code = 0; code < kErrorCodeCount; ++code) {
    if (ErrorCodeItems[code]->isChecked()) return code;
  }
  return -1;
}

void TBatteryStatDlg::SelectErrorCode(int index) {
  ErrorCodeItems[index]->setChecked(true);
}

void TBatteryStatDlg::FormActivate() {
  const BatteryStatusControls controls = BatteryStatusFromWord(DecoderValue);
  for (int i = 0; i < kBatteryStatusBoxCount; ++i) Boxes[i]->setChecked(controls.boxes[i]);
  SelectErrorCode(controls.errorCode);
}

void TBatteryStatDlg::FormClose() {
  BatteryStatusControls controls;
  for (int i = 0; i < kBatteryStatusBoxCount; ++i) controls.boxes[i] = Boxes[i]->isChecked();
  controls.errorCode = ErrorCodeIndex();
  DecoderValue = WordFromBatteryStatus(controls);
}

// ---- SpecificationInfo -----------------------------------------

TSpecInfoDlg::TSpecInfoDlg()
    : WordDecoderDialog("SpecInfoDlg", "Specification Info", QSize(423, 184)) {
  QGroupBox* scaling = Group(this, QStringLiteral("Scaling Information"), QRect(8, 22, 199, 0));
  QGroupBox* smbus =
      Group(this, QStringLiteral("SMBus Specification Supported"), QRect(215, 22, 199, 0));
  constexpr int kSubWidth = 84;
  constexpr int kSecondX = 199 - kGroupMargin - kSubWidth;
  IPScale = ListGroup(scaling, "IPScale", "IPScale", Numbers(0, kScaleEntries - 1),
                      "Current Scaling Factor.", kGroupMargin, kSubWidth);
  VScale = ListGroup(scaling, "VScale", "VScale", Numbers(0, kScaleEntries - 1),
                     "Voltage Scaling Factor.", kSecondX, kSubWidth);
  Version =
      ListGroup(smbus, "Version", "Version", Numbers(1, kVersionEntries),
                "Smart Battery Specification major version supported.", kGroupMargin, kSubWidth);
  Revision =
      ListGroup(smbus, "Revision", "Revision", Numbers(0, kRevisionEntries - 1),
                "Smart Battery Specification major revision supported.", kSecondX, kSubWidth);
  FitHeight(scaling);
  FitHeight(smbus);
  AddButtons(124, 140);
}

void TSpecInfoDlg::FormActivate() {
  openedWith_ = DecoderValue;
  const SpecInfoSelection selection = SpecInfoFromWord(DecoderValue);
  SelectAtTop(Revision, selection.revision);
  SelectAtTop(Version, selection.version);
  SelectAtTop(VScale, selection.vScale);
  SelectAtTop(IPScale, selection.ipScale);
}

void TSpecInfoDlg::FormClose() {
  DecoderValue = WordFromSpecInfo({SelectedIndex(Revision), SelectedIndex(Version),
                                   SelectedIndex(VScale), SelectedIndex(IPScale)},
                                  openedWith_);
}

// ---- ManufactureDate -------------------------------------------

TMfgDateDlg::TMfgDateDlg() : WordDecoderDialog("MfgDateDlg", "Manufacture Date", QSize(343, 184)) {
  QGroupBox* date = Group(this, QStringLiteral("ManufactureDate"), QRect(8, 22, 327, 0));
  // FormCreate: the entries are filled once.
  constexpr int kSubWidth = 99;
  constexpr int kSpacing = (327 - 2 * kGroupMargin - 3 * kSubWidth) / 2;
  Year = ListGroup(date, "Year", "Year", Numbers(kFirstYear, kFirstYear + kYearEntries - 1),
                   "Year of Manufacture.", kGroupMargin, kSubWidth);
  Month = ListGroup(date, "Month", "Month", Numbers(1, kMonthEntries), "Month of Manufacture.",
                    kGroupMargin + kSubWidth + kSpacing, kSubWidth);
  Day = ListGroup(date, "Day", "Day", Numbers(1, kDayEntries), "Day of Manufacture.",
                  kGroupMargin + 2 * (kSubWidth + kSpacing), kSubWidth);
  FitHeight(date);
  AddButtons(84, 140);
}

void TMfgDateDlg::FormActivate() {
  const DateSelection selection = DateFromWord(DecoderValue);
  SelectAtTop(Day, selection.day);
  SelectAtTop(Month, selection.month);
  SelectAtTop(Year, selection.year);
}

void TMfgDateDlg::FormClose() {
  DecoderValue = WordFromDate({SelectedIndex(Day), SelectedIndex(Month), SelectedIndex(Year)});
}

// ---- Manufacturer data block editor ----------------------------

TMfgDataDlg::TMfgDataDlg() : DecoderDialog("MfgDataDlg", "Manufacturer Data", QSize(553, 185)) {
  QGroupBox* data = Group(this, QStringLiteral("ManufacturerData"), QRect(8, 14, 537, 0));
  // FormCreate: the length entries and the heading row are filled once.
  MfgDataLength = ListGroup(data, "Length", "MfgDataLength", Numbers(1, kMfgDataBytes),
                            "Number of bytes of data.", kGroupMargin, 84);
  QWidget* length = MfgDataLength->parentWidget();
  QGroupBox* bytes = Group(data, QStringLiteral("Data"), QRect(102, kGroupTop, 425, 0));

  MfgDataGrid = new ByteGrid(1, kMfgDataBytes, bytes);
  MfgDataGrid->setObjectName(QStringLiteral("MfgDataGrid"));
  MfgDataGrid->setAccessibleName(QStringLiteral("MfgDataGrid"));
  const QString hint = QStringLiteral("1 to 31 bytes of ASCII Hex (00...FF) Data.");
  MfgDataGrid->setToolTip(hint);
  MfgDataGrid->setAccessibleDescription(hint);
  MfgDataGrid->setHorizontalHeaderLabels(Numbers(1, kMfgDataBytes));
  MfgDataGrid->setShowGrid(true);
  MfgDataGrid->setTabKeyNavigation(true);
  MfgDataGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  MfgDataGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
  MfgDataGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MfgDataGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  MfgDataGrid->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
  MfgDataGrid->verticalHeader()->hide();
  QHeaderView* heading = MfgDataGrid->horizontalHeader();
  heading->setSectionsClickable(false);
  heading->setHighlightSections(false);
  heading->setSectionResizeMode(QHeaderView::Fixed);
  heading->setMinimumSectionSize(kGridColumnWidth);
  heading->setDefaultSectionSize(kGridColumnWidth);
  heading->setFixedHeight(kGridRowHeight);
  heading->setTextElideMode(Qt::ElideNone);
  heading->setStyleSheet(QStringLiteral("QHeaderView::section { padding: 0px; }"));
  MfgDataGrid->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
  MfgDataGrid->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
  for (int k = 0; k < kMfgDataBytes; ++k) {
    MfgDataGrid->horizontalHeaderItem(k)->setTextAlignment(Qt::AlignCenter);
    auto* cell = new QTableWidgetItem(QStringLiteral("00"));
    cell->setTextAlignment(Qt::AlignCenter);
    cell->setToolTip(hint);
    MfgDataGrid->setItem(0, k, cell);
  }
  const int frame = 2 * MfgDataGrid->frameWidth();
  MfgDataGrid->setGeometry(
      kGroupMargin, kGroupTop, 425 - 2 * kGroupMargin,
      2 * kGridRowHeight + MfgDataGrid->horizontalScrollBar()->sizeHint().height() + frame);
  bytes->resize(bytes->width(), kGroupTop + MfgDataGrid->height() + kGroupMargin);
  length->resize(length->width(), bytes->height());
  FitHeight(data);
  AddButtons(191, 140);
}

void TMfgDataDlg::FormActivate() {
  if (MfgDataString.size() != kMfgDataStringLength) MfgDataString = DefaultMfgDataString();
  const MfgDataControls controls = MfgDataFromString(MfgDataString);
  SelectAtTop(MfgDataLength, controls.lengthIndex);
  for (int k = 0; k < kMfgDataBytes; ++k) MfgDataGrid->item(0, k)->setText(controls.cells[k]);
  // Cell 1 becomes current without opening its editor, which would set it
  // apart from the other cells while the focus is on Cancel.
  const QAbstractItemView::EditTriggers triggers = MfgDataGrid->editTriggers();
  MfgDataGrid->setEditTriggers(triggers & ~QAbstractItemView::CurrentChanged);
  MfgDataGrid->setCurrentCell(0, 0);
  MfgDataGrid->setEditTriggers(triggers);
  MfgDataGrid->scrollToItem(MfgDataGrid->item(0, 0));
}

void TMfgDataDlg::FormClose() {
  static_cast<ByteGrid*>(MfgDataGrid)->CommitOpenEditor();
  MfgDataControls controls;
  controls.lengthIndex = SelectedIndex(MfgDataLength);
  for (int k = 0; k < kMfgDataBytes; ++k) controls.cells[k] = MfgDataGrid->item(0, k)->text();
  MfgDataString = MfgDataStringFrom(controls);
}
