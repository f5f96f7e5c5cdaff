#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

// A fixed-size dialog with a scrolling text area and an OK button that closes
// it; the base of the two help viewers.
class TextViewerDialog : public QDialog {
 public:
  QPlainTextEdit* Memo1;
  QPushButton* OKButton;

 protected:
  TextViewerDialog(const QString& title, QSize client, QSize memo);
  void showEvent(QShowEvent* event) override;
};

// Shows README.TXT, read afresh at every showing: the working folder's copy
// when there is one, otherwise the copy installed with the program.
class TReadMe : public TextViewerDialog {
 public:
  // installedFolder: the folder that holds the installed copy.
  explicit TReadMe(QString installedFolder = InstalledFolder());

  static constexpr const char* kFileName = "README.TXT";

  // The program's data folder beside the folder of its executable
  // (<prefix>/share/pelmor for <prefix>/bin/pelmor).
  static QString InstalledFolder();

  // The README.TXT that the next showing reads, or an empty text when neither
  // the working folder nor the installed folder holds one.
  QString FileToShow() const;

  // Loads the file into the text area when it exists; otherwise keeps what
  // the area holds.
  void FormShow();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString installedFolder_;
};

// The program's revision history, stored with the window.
class TRevReport : public TextViewerDialog {
 public:
  TRevReport();
  static QString ReportText();
};

// Maker, product and version, and on the emulated rig a line saying so;
// closed only by its OK button.
class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(bool emulated = false);

  QLabel* ProgramIconLabel;
  QPushButton* OKButton;

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
};

// Places a window in the middle of the screen it is on.
void CentreOnScreen(QWidget* window);
