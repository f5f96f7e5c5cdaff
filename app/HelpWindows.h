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

// Shows README.TXT from the working directory, read afresh at every showing.
class TReadMe : public TextViewerDialog {
 public:
  TReadMe();

  static constexpr const char* kFileName = "README.TXT";

  // Loads the file into the text area when it exists; otherwise keeps what
  // the area holds.
  void FormShow();

 protected:
  void showEvent(QShowEvent* event) override;
};

// The program's revision history, stored with the window.
class TRevReport : public TextViewerDialog {
 public:
  TRevReport();
  static QString ReportText();
};

// Maker, product and version; closed only by its OK button.
class TAboutBox : public QDialog {
 public:
  TAboutBox();

  QLabel* ProgramIconLabel;
  QPushButton* OKButton;

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
};

// Places a window in the middle of the screen it is on.
void CentreOnScreen(QWidget* window);
