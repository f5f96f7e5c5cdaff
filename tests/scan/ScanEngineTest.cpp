// What the scan engine tells its observers, as values, and how its policy
// decides what a time-out is.
#include "link/FaultWords.h"
#include "tests/support/ScanHarness.h"

namespace {

constexpr std::uint8_t kVoltage = 0x09;
constexpr std::uint8_t kCurrent = 0x0A;

// Writes down every event in a short form a test can compare.
struct EventRecorder : ScanObserver {
  QStringList seen;
  void LinkOpening() override { seen << "opening"; }
  void LinkOpened() override { seen << "opened"; }
  void LinkFailed(const LinkFailure& failure) override {
    seen << QString("link failed %1").arg(static_cast<int>(failure.kind));
  }
  void LinkClosed() override { seen << "closed"; }
  void PassStarted(const QDateTime&) override { seen << "pass"; }
  void RowRead(const RowReading& reading) override {
    seen << QString("read %1 %2%3")
                .arg(reading.row)
                .arg(reading.text, reading.fit == ReplyFit::Complete
                                       ? QString()
                                       : QLatin1Char(' ') + ReplyFitWords(reading.fit));
  }
  void RowWritten(int row) override { seen << QString("written %1").arg(row); }
  void RowFailed(const RowFailure& failure) override {
    seen << QString("fail %1 %2 %3%4")
                .arg(failure.row)
                .arg(FaultWord(failure.fault))
                .arg(failure.attempt)
                .arg(failure.givenUp ? " given up" : "");
  }
  void PassEnded(const QDateTime&) override { seen << "end"; }
  void ScanStopped(ScanStop reason) override {
    seen << QString("stopped %1").arg(static_cast<int>(reason));
  }
  void ScanHalted(const ScanHalt& halt) override {
    seen << QString("halted %1 at %2").arg(static_cast<int>(halt.reason)).arg(halt.row);
  }
};

class ScanEngineEvents : public ScanHarness {
 protected:
  explicit ScanEngineEvents(ScanPolicy policy = ScanPolicy::Window(),
                            EmulatedFault fault = EmulatedFault::None)
      : ScanHarness(policy, fault) {
    engine.AddObserver(recorder);
  }
  EventRecorder recorder;
};

class CommandLineScanEvents : public ScanEngineEvents {
 protected:
  CommandLineScanEvents() : ScanEngineEvents(ScanPolicy::CommandLine()) {}
};

TEST_F(ScanEngineEvents, APassIsToldRowByRowWithEachFaultsAttempt) {
  TickOnly({9, 10});
  rig->Adapter().FailCommand(kVoltage, AdapterEvent::SlaveNack, 2);
  rig->Adapter().FailCommand(kCurrent, AdapterEvent::BusError, 5);
  StartScan();
  RunUntilIdle();
  const QString voltage = catalogue.DataText(9);
  EXPECT_EQ(
      recorder.seen,
      QStringList({"opening", "opened", "pass", "fail 9 NACK 1", "fail 9 NACK 2",
                   "read 9 " + voltage, "fail 10 BUSERR 1", "fail 10 BUSERR 2", "fail 10 BUSERR 3",
                   "fail 10 BUSERR 4", "fail 10 BUSERR 5 given up", "end", "closed", "stopped 0"}));
  EXPECT_EQ(status.history.first(), "<<Attempting to Open Kavix Link>>")
      << "the status line is drawn from the same events";
}

TEST_F(ScanEngineEvents, AStopAndARefusedTransactionAreToldApart) {
  TickOnly({9});
  StartScanAndOpenLink();
  rig->Adapter().FailNextCall(EmulatedAdapter::Operation::MasterTxRx, return_code::kNotAccepted);
  Advance(100ms);
  EXPECT_EQ(recorder.seen.last(), "halted 2 at 9") << "refused, resting on row 9";
  EXPECT_EQ(status.Last(), "<<Operation Not Accepted>>");
  engine.Stop();
  EXPECT_EQ(recorder.seen.last(), "stopped 1");
}

class ShortBlockScanEvents : public ScanEngineEvents {
 protected:
  ShortBlockScanEvents() : ScanEngineEvents(ScanPolicy::Window(), EmulatedFault::ShortBlocks) {}
};

// A block that came with its count but fewer bytes is shown with what came,
// judged cut short, and logged as no value; a word on the same bus is whole.
TEST_F(ShortBlockScanEvents, ABlockHandedOverCutShortIsAReadingMarkedSo) {
  TickOnly({9, 29});
  StartScanAndOpenLink();
  RunUntilIdle();
  EXPECT_TRUE(recorder.seen.contains("read 9 " + catalogue.DataText(9)));
  EXPECT_TRUE(recorder.seen.contains("read 29 \"\" cut short")) << recorder.seen.join('\n');
  EXPECT_TRUE(status.history.contains("<<I2C Master Rx Complete, Reply cut short>>"));
  EXPECT_TRUE(log.steps.contains("placeholder:29")) << log.steps.join(' ');
}

TEST_F(ScanEngineEvents, InTheWindowATimeOutIsShownButNotCountedAndTheGuardReadsAgain) {
  TickOnly({9});
  rig->Adapter().FailCommand(kVoltage, AdapterEvent::BusTimeout, 7);
  StartScan();
  RunUntilIdle(5s);
  EXPECT_EQ(recorder.seen.count("fail 9 TIMEOUT 0"), 7);
  EXPECT_TRUE(recorder.seen.contains("read 9 " + catalogue.DataText(9)));
}

TEST_F(CommandLineScanEvents, OnTheCommandLineEveryTimeOutIsAnAttemptAndTheFifthGivesTheRowUp) {
  TickOnly({9, 10});
  rig->Adapter().FailCommand(kVoltage, AdapterEvent::BusTimeout, 1000);
  StartScan();
  RunUntilIdle(5s);
  EXPECT_EQ(recorder.seen.count("fail 9 TIMEOUT 5 given up"), 1);
  EXPECT_EQ(catalogue.DataText(9), "TIMEOUT");
  EXPECT_TRUE(recorder.seen.contains("read 10 " + catalogue.DataText(10)));
  EXPECT_FALSE(controls.running);
}

// A USB bridge's driver may take seconds to answer. The answer is awaited: a
// re-issue made once the transfer is over but before its answer has reached
// the scan would be accepted, and that answer taken for the re-issue's.
TEST_F(CommandLineScanEvents, ASlowAnswerIsAwaitedWithoutIssuingTheRowAgain) {
  TickOnly({9, 10});
  rig->Battery().SetMarkerValues(true);
  rig->Adapter().DelayNextOutcome(8s);
  StartScan();
  RunUntilIdle(20s);
  EXPECT_EQ(Transactions(), 2);
  EXPECT_EQ(recorder.seen, QStringList({"opening", "opened", "pass", "read 9 4105", "read 10 4106",
                                        "end", "closed", "stopped 0"}));
}

}  // namespace
