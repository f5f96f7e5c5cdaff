#include "app/HelpWindows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QStringDecoder>
#include <utility>

#include "app/PelmorVersion.h"
#include "app/ProgramIcon.h"

namespace {

QString DecodeText(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QLabel* AboutLabel(QWidget* parent, const char* name, const QString& text, QRect where,
                   bool underline = false) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  QFont font = label->font();
  font.setBold(true);
  font.setUnderline(underline);
  label->setFont(font);
  label->setGeometry(where);
  return label;
}

}  // namespace

void CentreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

TextViewerDialog::TextViewerDialog(const QString& title, QSize client, QSize memo) {
  setWindowTitle(title);
  setFixedSize(client);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setAccessibleName(title);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setGeometry(QRect(QPoint((client.width() - memo.width()) / 2, 8), memo));
  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  OKButton->setGeometry((client.width() - 75) / 2, client.height() - 25 - 12, 75, 25);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TextViewerDialog::showEvent(QShowEvent* event) {
  CentreOnScreen(this);
  OKButton->setFocus();
  QDialog::showEvent(event);
}

TReadMe::TReadMe(QString installedFolder)
    : TextViewerDialog(QStringLiteral("ReadMe"), QSize(594, 286), QSize(577, 225)),
      installedFolder_(std::move(installedFolder)) {
  setObjectName(QStringLiteral("ReadMe"));
  Memo1->setPlainText(
      QStringLiteral("Cannot find file README.TXT\nReinstall from distribution diskette."));
}

QString TReadMe::InstalledFolder() {
  return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral(PELMOR_DATA_FROM_EXECUTABLE)));
}

QString TReadMe::FileToShow() const {
  const QString name = QString::fromLatin1(kFileName);
  for (const QString& candidate :
       {QDir::current().filePath(name), QDir(installedFolder_).filePath(name)}) {
    if (QFileInfo::exists(candidate)) return candidate;
  }
  return {};
}

void TReadMe::FormShow() {
  const QString path = FileToShow();
  if (path.isEmpty()) return;
  QFile file(path);
  Memo1->clear();
  if (!file.open(QIODevice::ReadOnly)) {
    Memo1->setPlainText(QStringLiteral("Cannot read file README.TXT: ") + file.errorString());
    return;
  }
  Memo1->setPlainText(DecodeText(file.readAll()));
}

void TReadMe::showEvent(QShowEvent* event) {
  FormShow();
  TextViewerDialog::showEvent(event);
}

TRevReport::TRevReport()
    : TextViewerDialog(QStringLiteral("Revision Report"), QSize(547, 249), QSize(529, 185)) {
  setObjectName(QStringLiteral("RevReport"));
  Memo1->setPlainText(ReportText());
}

QString TRevReport::ReportText() {
  return QStringLiteral(
      "SMBus Pelmor\n"
      "Revision Report\n"
      "\n"
      "Date\t\tRevision\n"
      "\n"
      "01-APR-08\tRelease V2.10.\n"
      "01-APR-08\tCorrect V2.00 display of negative signed values.\n"
      "10-NOV-06\tRelease V2.00.\n"
      "10-NOV-06\tAdd ComPort discovery.\n"
      "10-NOV-06\tConvert to Win32 to support USB-based adapters.\n"
      "01-AUG-03\tRelease V1.40.\n"
      "01-AUG-03\t  Correct log file processing on:\n"
      "01-AUG-03\t  a. Battery not acknowledging address.\n"
      "01-AUG-03\t  b. Kavix bus arbitration loss.\n"
      "01-AUG-03\t  c. Kavix bus error detection.\n"
      "01-AUG-03\t  Log 0, or \" \" if battery not responding.\n"
      "18-FEB-99\tRelease V1.30.\n"
      "18-FEB-99\t  Add 5 and 10 minute repeat rates.\n"
      "29-SEP-98\tRelease V1.20.\n"
      "29-SEP-98\t  Include 4 digit year field to log file.\n"
      "29-SEP-98\t  Add Y2K compliance.\n"
      "10-OCT-97\tRelease V1.10.");
}

TAboutBox::TAboutBox(bool emulated) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(322, 318);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setGeometry(8, 8, 306, 262);

  AboutLabel(panel, "Label3", QStringLiteral("SMBus"), QRect(16, 10, 120, 20), true);
  ProgramIconLabel = new QLabel(panel);
  ProgramIconLabel->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIconLabel->setPixmap(ProgramIcon());
  ProgramIconLabel->setGeometry(16, 40, 32, 32);
  ProgramIconLabel->setToolTip(QStringLiteral("I2C on Windows by Dalvern Corporation."));
  ProgramIconLabel->setAccessibleName(QStringLiteral("Program icon"));
  AboutLabel(panel, "ProductName", QStringLiteral("System Management Bus"), QRect(64, 40, 230, 18));
  AboutLabel(panel, "Label4", QStringLiteral("Pelmor"), QRect(64, 60, 230, 18));
  AboutLabel(panel, "Version",
             QStringLiteral("Version %1").arg(QString::fromLatin1(kPelmorVersion)),
             QRect(64, 80, 230, 18));
  if (emulated) {
    AboutLabel(panel, "EmulatedRig", QStringLiteral("Emulated rig: no real adapter or battery"),
               QRect(16, 104, 280, 18));
  }
  AboutLabel(panel, "Comments", QStringLiteral("Reference Specifications:"),
             QRect(16, 130, 280, 18), true);
  AboutLabel(panel, "Label2", QStringLiteral("System Management Bus Spec. Rev 1.0"),
             QRect(16, 152, 280, 18));
  AboutLabel(panel, "Label1", QStringLiteral("Smart Battery Data Spec. Rev 1.0"),
             QRect(16, 172, 280, 18));
  AboutLabel(panel, "Label5", QStringLiteral("Dalvern Corporation"), QRect(16, 225, 280, 18));

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  OKButton->setGeometry(123, 282, 75, 25);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

// Neither the Escape key nor the window manager closes the box: only OK does.
void TAboutBox::reject() {}

void TAboutBox::showEvent(QShowEvent* event) {
  CentreOnScreen(this);
  OKButton->setFocus();
  QDialog::showEvent(event);
}
