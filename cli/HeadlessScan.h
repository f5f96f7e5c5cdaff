#pragma once

#include <QDateTime>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "battery/PlainRowControls.h"
#include "battery/RegisterCatalogue.h"
#include "cli/HeadlessControls.h"
#include "link/adapter/AdapterLibrary.h"
#include "scan/PassRecorder.h"
#include "scan/RowRecord.h"
#include "scan/ScanEngine.h"
#include "scan/sequencer/ScanLog.h"
#include "timing/LocalClock.h"
#include "timing/TimerfdTimer.h"

// The window's scan without the window: the scan engine under the command
// line's policy, over plain rows and controls, on the event loop of a
// QCoreApplication. Each pass's result is gathered from the engine's typed
// events.
class HeadlessScan : public QObject, private ScanObserver {
 public:
  struct Settings {
    QString comPortEntry;
    int addressEntry = 0;
    std::vector<RegisterDefinition> extraRows = {};  // read after the 33 rows
  };

  struct Pass {
    QDateTime startTime;
    std::vector<RowRecord> rows;  // in row order
    // Empty when the adapter link opened and stayed open; otherwise why not.
    QString linkFailure;
    bool linkLost = false;  // the link had opened, then the adapter went away
    // The scan came to rest on a row (the adapter refused its transaction):
    // no further pass would fare better.
    bool halted = false;
    // The adapter would not make a transaction at the battery's address: a
    // row failed with the adapter busy, and the pass ended there.
    bool addressBusy = false;
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
  // Further observers of the scan's events (publishing, for instance).
  ScanEngine& Engine() { return engine_; }

  // A link that does not report open within this time counts as not opening.
  static constexpr int kOpenTimeoutMs = 5000;
  // A transaction refused while the row's earlier attempt is still under way
  // leaves the scan resting until that attempt's outcome comes (the scan then
  // goes on) or the adapter goes away; no longer than this. The USB bridges'
  // kernel drivers wait up to 4-5 s for each step of a transfer, and a word
  // read has several: an MCP2221 still in its probe, just plugged in, takes
  // about 8 s to fail one.
  static constexpr int kRefusedRowWaitMs = 30000;

 private:
  Pass RunPass(const std::vector<int>& rows);
  // A row's result with the text its data field shows.
  void EndPass();
  void FailLink(const QString& reason);
  // After an interruption the pass ends once no outcome is awaited.
  void EndIfInterruptedAndSettled();
  // The scan rests on a refused row for good: the pass ends there.
  void EndHalted();

  void LinkOpening() override;
  void LinkOpened() override;
  void LinkFailed(const LinkFailure& failure) override;
  void TransactionIssued(const RowTransaction& transaction) override;
  void RowRead(const RowReading& reading) override;
  void RowWritten(int row) override;
  void RowFailed(const RowFailure& failure) override;
  void ScanStopped(ScanStop reason) override;
  void ScanHalted(const ScanHalt& halt) override;

  AdapterLibrary& adapter_;
  PlainRowControlsSource rows_;
  RegisterCatalogue catalogue_;
  HeadlessControls controls_;
  TimerfdTimer transactionTimer_{ScanSequencer::kRepeatTickMs};
  TimerfdTimer repeatTimer_{ScanSequencer::kRepeatTickMs};
  LocalClock clock_;
  NoScanLog log_;
  ScanEngine engine_;
  PassRecorder record_{catalogue_};

  QEventLoop loop_;
  QTimer openWatch_;
  QTimer refusalWatch_;
  ScanHalt refusal_{ScanHalt::Reason::TransactionRefused};
  QString linkFailure_;
  bool linkOpened_ = false;
  bool passOver_ = false;
  bool halted_ = false;
  bool interrupted_ = false;
  bool addressBusy_ = false;
};
