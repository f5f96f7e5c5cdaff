#include "HeadlessScan.h"

#include <QCoreApplication>

#include "AdapterMessages.h"

namespace {

const QString kAttemptingOpen = QStringLiteral("<<Attempting to Open Kavix Link>>");
const QString kTimeoutWord = QStringLiteral("TIMEOUT");
constexpr int kTimeoutRetryPauseMs = 100;

}  // namespace

bool HeadlessScan::Pass::AllRowsOk() const {
  if (!linkFailure.isEmpty() || interrupted) return false;
  for (const RowResult& row : rows) {
    if (!row.ok) return false;
  }
  return true;
}

HeadlessScan::HeadlessScan(AdapterLibrary& adapter, Settings settings)
    : adapter_(adapter),
      controls_(settings.comPortEntry, settings.addressEntry, settings.echoStatus),
      link_(adapter, controls_, controls_, controls_, PostToApplication()),
      transactions_(state_, {adapter, catalogue_, controls_, controls_, controls_, timer1_, log_}),
      sequencer_(state_,
                 {catalogue_, controls_, link_, transactions_, timer1_, timer2_, clock_, log_}, 0),
      dispatch_({adapter, catalogue_, sequencer_, controls_, timer1_, log_}) {
  catalogue_.BuildCatalogue(rows_);
  timer1_.SetTickHandler([this] { sequencer_.Timer1Timer(); });
  timer2_.SetTickHandler([this] { sequencer_.Timer2Timer(); });
  controls_.OnCaptionChanged([this] {
    // The pass is over when the button leaves "Stop"; after an interruption
    // the row in flight still has its outcome to come.
    if (!sequencer_.IsRunning() && !interrupted_) EndPass();
  });
  openWatch_.setSingleShot(true);
  connect(&openWatch_, &QTimer::timeout, this, [this] {
    FailLink(QStringLiteral("The adapter did not report the link open within %1 s.")
                 .arg(kOpenTimeoutMs / 1000));
  });
  QCoreApplication::instance()->installEventFilter(this);
}

HeadlessScan::~HeadlessScan() {
  adapter_.I2CClose();
  QCoreApplication::removePostedEvents(QCoreApplication::instance(), AdapterMessage::kType);
}

HeadlessScan::Pass HeadlessScan::Read(const std::vector<int>& rows) {
  controls_.SetTabIndex(0);
  sequencer_.TabSet1Click();
  return RunPass(rows);
}

HeadlessScan::Pass HeadlessScan::Write(const std::vector<std::pair<int, QString>>& rowTexts) {
  controls_.SetTabIndex(1);
  sequencer_.TabSet1Click();
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
  results_.clear();
  linkFailure_.clear();
  linkOpened_ = false;

  Pass pass;
  if (!interrupted_) {
    sequencer_.ReadDataBtnClick();
    pass.startTime = state_.scanStartTime;
    if (!sequencer_.IsRunning()) {
      if (controls_.LastStatus() == kAttemptingOpen) {
        openWatch_.start(kOpenTimeoutMs);
      } else {
        linkFailure_ =
            controls_.LastMessage().isEmpty() ? controls_.LastStatus() : controls_.LastMessage();
      }
    }
    if (linkFailure_.isEmpty()) loop_.exec();
  }

  for (int row : rows) {
    const auto result = results_.find(row);
    pass.rows.push_back(result != results_.end() ? result->second
                                                 : RowResult{row, catalogue_.DataText(row), false});
  }
  pass.linkFailure = linkFailure_;
  pass.linkLost = linkOpened_ && !linkFailure_.isEmpty();
  pass.interrupted = interrupted_;
  return pass;
}

void HeadlessScan::Interrupt() {
  interrupted_ = true;
  if (!loop_.isRunning()) return;
  if (sequencer_.IsRunning()) sequencer_.ReadDataBtnClick();
  if (state_.pendingRow == kNoRow) {
    EndPass();
    return;
  }
  // An outcome that never comes does not keep the program from ending.
  QTimer::singleShot(BusTransactions::kGuardMs, this, [this] { EndPass(); });
}

bool HeadlessScan::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != AdapterMessage::kType) return QObject::eventFilter(watched, event);
  HandleAdapterEvent(
      static_cast<std::uint16_t>(static_cast<AdapterMessage*>(event)->FirstParameter()));
  return true;
}

void HeadlessScan::HandleAdapterEvent(std::uint16_t code) {
  const int row = state_.rowIndex;
  const bool atRow = row < kNoRow;
  const QString before = atRow ? catalogue_.DataText(row) : QString();
  log_.arrived = false;

  dispatch_.DispatchAdapterEvent(code);

  switch (static_cast<AdapterEvent>(code)) {
    case AdapterEvent::LinkOpen:
      openWatch_.stop();
      linkOpened_ = true;
      break;
    case AdapterEvent::NotResponding:
      FailLink(controls_.LastStatus());
      return;
    case AdapterEvent::BusTimeout:
      // The window keeps re-reading a row that times out until the person
      // presses Stop. With no person to press it, a time-out counts as one of
      // the row's attempts, so a silent bus cannot hang a script.
      if (atRow && state_.rowIndex == row && before != kTimeoutWord &&
          catalogue_.DataText(row) == kTimeoutWord) {
        timer1_.Stop();
        sequencer_.FailAttempt(kTimeoutRetryPauseMs);
      }
      break;
    default:
      break;
  }
  if (atRow && state_.rowIndex != row) {
    const bool ok =
        log_.arrived || code == static_cast<std::uint16_t>(AdapterEvent::MasterTxComplete);
    results_[row] = {row, catalogue_.DataText(row), ok};
  }
  if (interrupted_ && state_.pendingRow == kNoRow) EndPass();
}

void HeadlessScan::EndPass() {
  openWatch_.stop();
  loop_.quit();
}

void HeadlessScan::FailLink(const QString& reason) {
  linkFailure_ = reason;
  adapter_.I2CClose();
  EndPass();
}
