#pragma once

#include <QDateTime>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <map>
#include <utility>
#include <vector>

#include "AdapterEventDispatch.h"
#include "AdapterLibrary.h"
#include "BusTransactions.h"
#include "HeadlessControls.h"
#include "LinkControl.h"
#include "PlainRowControls.h"
#include "QtTimer.h"
#include "RegisterCatalogue.h"
#include "ScanSequencer.h"
#include "SystemClock.h"

// The window's scan without the window: the same sequencer, link control, bus
// transactions, event dispatch and codec, over plain rows and controls, on
// the event loop of a QCoreApplication. Rows follow one another as soon as
// the previous outcome arrives.
class HeadlessScan : public QObject {
 public:
  struct Settings {
    QString comPortEntry;
    int addressEntry = 0;
    bool echoStatus = false;
  };

  struct RowResult {
    int row = 0;
    QString text;  // the data field's text: the value, or the last fault word
    bool ok = false;
  };

  struct Pass {
    QDateTime startTime;
    std::vector<RowResult> rows;  // in row order
    // Empty when the adapter link opened and stayed open; otherwise why not.
    QString linkFailure;
    bool linkLost = false;  // the link had opened, then the adapter went away
    bool interrupted = false;

    bool AllRowsOk() const;
  };

  HeadlessScan(AdapterLibrary& adapter, Settings settings);
  ~HeadlessScan() override;
  HeadlessScan(const HeadlessScan&) = delete;
  HeadlessScan& operator=(const HeadlessScan&) = delete;

  // One pass over these rows: read them, or write each its text.
  Pass Read(const std::vector<int>& rows);
  Pass Write(const std::vector<std::pair<int, QString>>& rowTexts);

  // Ends the pass under way once the row in flight has its outcome, and
  // closes the link.
  void Interrupt();
  bool Interrupted() const { return interrupted_; }

  const RegisterCatalogue& Catalogue() const { return catalogue_; }

  // A link that does not report open within this time counts as not opening.
  static constexpr int kOpenTimeoutMs = 5000;

 private:
  Pass RunPass(const std::vector<int>& rows);
  bool eventFilter(QObject* watched, QEvent* event) override;
  void HandleAdapterEvent(std::uint16_t code);
  void EndPass();
  void FailLink(const QString& reason);

  // Notes which outcomes delivered a value: the scan hands every received
  // value to its log step, and only a received value does.
  class ValueWatch : public NoScanLog {
   public:
    bool ValueStep(const QString&) override {
      arrived = true;
      return true;
    }
    bool arrived = false;
  };

  AdapterLibrary& adapter_;
  PlainRowControlsSource rows_;
  RegisterCatalogue catalogue_;
  HeadlessControls controls_;
  QtTimer timer1_{ScanSequencer::kPacingMs};
  QtTimer timer2_{ScanSequencer::kPacingMs};
  SystemClock clock_;
  ValueWatch log_;
  ScanState state_;
  LinkControl link_;
  BusTransactions transactions_;
  ScanSequencer sequencer_;
  AdapterEventDispatch dispatch_;

  QEventLoop loop_;
  QTimer openWatch_;
  std::map<int, RowResult> results_;
  QString linkFailure_;
  bool linkOpened_ = false;
  bool interrupted_ = false;
};
