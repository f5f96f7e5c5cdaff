#include "cli/HeadlessScan.h"

#include "link/ReturnCodeText.h"
#include "link/StatusTexts.h"
#include "platform/ProgramOutput.h"

bool HeadlessScan::Pass::AllRowsOk() const {
  if (!linkFailure.isEmpty() || interrupted || addressBusy) return false;
  for (const RowRecord& row : rows) {
    if (!row.ok) return false;
  }
  return true;
}

HeadlessScan::HeadlessScan(AdapterLibrary& adapter, Settings settings)
    : adapter_(adapter),
      rows_(settings.extraRows),
      catalogue_(settings.extraRows),
      controls_(settings.comPortEntry, settings.addressEntry),
      engine_({.adapter = adapter,
               .catalogue = catalogue_,
               .controls = controls_,
               .status = controls_,
               .settings = controls_,
               .errors = controls_,
               .transactionTimer = transactionTimer_,
               .repeatTimer = repeatTimer_,
               .clock = clock_,
               .log = log_},
              ScanPolicy::CommandLine()) {
  catalogue_.BuildCatalogue(rows_);
  // What each row came to is written down before this scan looks at it.
  engine_.AddObserver(record_);
  engine_.AddObserver(*this);
  openWatch_.setSingleShot(true);
  connect(&openWatch_, &QTimer::timeout, this, [this] {
    FailLink(QStringLiteral("The adapter did not report the link open within %1 s.")
                 .arg(kOpenTimeoutMs / 1000));
  });
  refusalWatch_.setSingleShot(true);
  connect(&refusalWatch_, &QTimer::timeout, this, [this] { EndHalted(); });
}

HeadlessScan::~HeadlessScan() {
  adapter_.I2CClose();
}

HeadlessScan::Pass HeadlessScan::Read(const std::vector<int>& rows) {
  engine_.SetMode(ScanMode::Read);
  return RunPass(rows);
}

HeadlessScan::Pass HeadlessScan::Write(const std::vector<std::pair<int, QString>>& rowTexts) {
  engine_.SetMode(ScanMode::Write);
  std::vector<int> rows;
  for (const auto& [row, text] : rowTexts) {
    catalogue_.SetDataText(row, text);
    rows.push_back(row);
  }
  return RunPass(rows);
}

HeadlessScan::Pass HeadlessScan::RunPass(const std::vector<int>& rows) {
  catalogue_.SelectAll(false);
  for (int row : rows) catalogue_.SetSelected(row, true);
  record_.Clear();
  linkFailure_.clear();
  linkOpened_ = false;
  passOver_ = false;
  halted_ = false;
  addressBusy_ = false;

  Pass pass;
  if (!interrupted_) {
    engine_.Start(engine_.State().mode);
    pass.startTime = engine_.State().scanStartTime;
    if (!passOver_) loop_.exec();
  }

  pass.rows = record_.Rows(rows);
  pass.linkFailure = linkFailure_;
  pass.linkLost = linkOpened_ && !linkFailure_.isEmpty();
  pass.halted = halted_;
  pass.interrupted = interrupted_;
  pass.addressBusy = addressBusy_;
  return pass;
}

void HeadlessScan::Interrupt() {
  interrupted_ = true;
  if (!loop_.isRunning()) return;
  engine_.Stop();
  if (engine_.State().pendingRow == engine_.State().noRow) {
    EndPass();
    return;
  }
  // An outcome that never comes does not keep the program from ending.
  QTimer::singleShot(engine_.Policy().guardMs, this, [this] { EndPass(); });
}

void HeadlessScan::EndPass() {
  passOver_ = true;
  openWatch_.stop();
  refusalWatch_.stop();
  loop_.quit();
}

void HeadlessScan::FailLink(const QString& reason) {
  linkFailure_ = reason;
  adapter_.I2CClose();
  EndPass();
}

void HeadlessScan::EndIfInterruptedAndSettled() {
  if (interrupted_ && engine_.State().pendingRow == engine_.State().noRow) EndPass();
}

void HeadlessScan::LinkOpening() {
  openWatch_.start(kOpenTimeoutMs);
}

void HeadlessScan::LinkOpened() {
  openWatch_.stop();
  linkOpened_ = true;
}

void HeadlessScan::LinkFailed(const LinkFailure& failure) {
  FailLink(LinkFailureText(failure));
}

void HeadlessScan::RowRead(const RowReading&) {
  EndIfInterruptedAndSettled();
}

void HeadlessScan::RowWritten(int) {
  EndIfInterruptedAndSettled();
}

// A busy address is no passing state (a kernel driver holds it): the pass
// ends at the first such fault, as every row at that address would fail alike.
void HeadlessScan::RowFailed(const RowFailure& failure) {
  if (failure.fault == RowFault::AdapterBusy) {
    addressBusy_ = true;
    EndPass();
    return;
  }
  EndIfInterruptedAndSettled();
}

// The pass is over once the scan has closed the link behind it. A stop the
// command line asked for ends the pass when the row in flight is settled.
void HeadlessScan::ScanStopped(ScanStop reason) {
  if (reason == ScanStop::Finished) EndPass();
}

// A refusal of the row's re-issue while its earlier attempt is under way is
// not the end: that attempt's outcome moves the scan on, or the adapter is
// found gone. A refusal with nothing under way is final.
void HeadlessScan::ScanHalted(const ScanHalt& halt) {
  if (halt.reason != ScanHalt::Reason::TransactionRefused) {
    EndPass();
    return;
  }
  refusal_ = halt;
  if (engine_.State().AwaitsOutcomeForCurrentRow()) {
    refusalWatch_.start(kRefusedRowWaitMs);
  } else {
    EndHalted();
  }
}

void HeadlessScan::TransactionIssued(const RowTransaction&) {
  refusalWatch_.stop();
}

void HeadlessScan::EndHalted() {
  StandardErr().Write(QStringLiteral("pelmor: the adapter refused %1's transaction: %2\n")
                          .arg(catalogue_.RegisterName(refusal_.row),
                               StatusText(ReturnCodeText(refusal_.returnCode))));
  halted_ = true;
  // Every observer hears of the halt before the stop it leads to.
  engine_.Command([this] { engine_.Stop(); });
  EndPass();
}
