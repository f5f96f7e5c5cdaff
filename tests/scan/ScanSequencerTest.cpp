#include "emulator/SmbusTiming.h"
#include "tests/support/MarkerValues.h"
#include "tests/support/ScanHarness.h"

namespace {

using ScanSequencerTest = ScanHarness;

double Millis(Micros time) {
  return time.count() / 1000.0;
}

TEST_F(ScanSequencerTest, NothingTickedWarnsAndChangesNothingThenATickStartsNormally) {
  catalogue.SelectAll(false);
  StartScan();
  EXPECT_EQ(controls.warnings, QStringList{"Warning|No Smart Battery Data Selected"});
  EXPECT_FALSE(controls.running);
  EXPECT_FALSE(timer2.IsActive());
  EXPECT_EQ(state.rowIndex, kNoRow);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
  EXPECT_EQ(status.history, QStringList{});

  catalogue.SetSelected(9, true);
  StartScanAndOpenLink();
  EXPECT_EQ(controls.warnings.size(), 1);
}

TEST_F(ScanSequencerTest, WithTheLinkClosedTheButtonWaitsForLinkOpen) {
  StartScan();
  EXPECT_FALSE(controls.running);
  EXPECT_EQ(status.Last(), "<<Attempting to Open Kavix Link>>");
  EXPECT_FALSE(timer1.IsActive());
  Advance(30ms);
  EXPECT_EQ(status.Last(), "<<Kavix Link Open>>");
  EXPECT_TRUE(controls.running);
  EXPECT_TRUE(timer1.IsActive());
  EXPECT_TRUE(timer2.IsActive());
  EXPECT_EQ(timer1.Interval(), 100);
}

TEST_F(ScanSequencerTest, WithTheLinkOpenStopShowsAtOnceAndTheFirstRead100msLater) {
  StartScan();
  catalogue.SelectAll(false);
  Advance(30ms);  // the link opens with nothing ticked: idle, link open
  ASSERT_TRUE(rig->Adapter().IsLinkOpen());
  catalogue.SetSelected(9, true);
  const int before = Transactions();
  StartScan();
  EXPECT_TRUE(controls.running);
  Advance(99ms);
  EXPECT_EQ(Transactions(), before);
  Advance(1ms);
  EXPECT_EQ(Transactions(), before + 1);
}

TEST_F(ScanSequencerTest, LinkOpenWithNothingTickedLeavesTheLinkOpenAndIdle) {
  StartScan();
  catalogue.SelectAll(false);
  Advance(30ms);
  EXPECT_FALSE(controls.running);
  EXPECT_EQ(state.rowIndex, kNoRow);
  EXPECT_TRUE(rig->Adapter().IsLinkOpen());
  EXPECT_FALSE(timer1.IsActive());
}

TEST_F(ScanSequencerTest, OnePressReadsAllThirtyThreeRowsInTheirUnitsAndClosesTheLink) {
  rig->Battery().SetMarkerValues(true);
  StartScan();
  RunUntilIdle();
  EXPECT_FALSE(controls.running);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
  EXPECT_FALSE(timer2.IsActive());
  EXPECT_EQ(state.rowIndex, kNoRow);
  EXPECT_EQ(Transactions(), 33);
  for (int row = 0; row < 33; ++row) EXPECT_EQ(catalogue.DataText(row), MarkerText(row)) << row;
}

TEST_F(ScanSequencerTest, RowsFollowOneAnother100msAfterEachOutcome) {
  TickOnly({9, 10});
  StartScanAndOpenLink();
  const Micros linkOpenAt = 30ms;
  Advance(100ms - (Now() - linkOpenAt));
  EXPECT_EQ(rig->Adapter().LastTransactionCall().data, std::vector<std::uint8_t>{0x09});
  Advance(smbus_timing::ReadTime(2));
  EXPECT_EQ(status.Last(), "<<I2C Master Rx Complete>>");
  EXPECT_EQ(Transactions(), 1);
  Advance(99ms);
  EXPECT_EQ(Transactions(), 1);
  Advance(1ms);
  EXPECT_EQ(Transactions(), 2);
  EXPECT_EQ(rig->Adapter().LastTransactionCall().data, std::vector<std::uint8_t>{0x0A});
}

TEST_F(ScanSequencerTest, WithAutoRepeatTheEndOfAPassWaitsWithStopAndTheLinkOpen) {
  TickOnly({9});
  controls.autoRepeat = true;
  StartScanAndOpenLink();
  Advance(500ms);
  EXPECT_EQ(state.rowIndex, kNoRow);
  EXPECT_TRUE(controls.running);
  EXPECT_TRUE(rig->Adapter().IsLinkOpen());
  EXPECT_FALSE(timer1.IsActive());
  EXPECT_TRUE(timer2.IsActive());

  const int before = Transactions();
  clock.base = clock.base.addSecs(10);  // the repeat time has come
  engine.RepeatPassWhenDue();
  EXPECT_EQ(state.rowIndex, 9);
  EXPECT_EQ(Transactions(), before + 1);

  Advance(500ms);
  engine.Stop();  // while waiting
  EXPECT_FALSE(controls.running);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
  EXPECT_FALSE(timer2.IsActive());
}

TEST_F(ScanSequencerTest, TheRepeatTimeRestartsNothingUnlessRunningWithAutoRepeat) {
  TickOnly({9});
  clock.base = clock.base.addSecs(10);
  engine.RepeatPassWhenDue();
  EXPECT_EQ(Transactions(), 0);
  StartScanAndOpenLink();
  controls.autoRepeat = false;
  Advance(500ms);
  clock.base = clock.base.addSecs(10);
  engine.RepeatPassWhenDue();
  EXPECT_EQ(Transactions(), 1);
}

TEST_F(ScanSequencerTest, StopMidPassLetsTheRowInFlightFinishThenClosesOnTheNextTick) {
  TickOnly({9, 10, 11});
  StartScanAndOpenLink();
  Advance(100ms);  // the read of row 9 is in flight
  ASSERT_EQ(state.pendingRow, 9);
  engine.Stop();
  EXPECT_FALSE(controls.running);
  EXPECT_TRUE(rig->Adapter().IsLinkOpen());
  EXPECT_FALSE(timer2.IsActive());
  Advance(1ms);
  EXPECT_FALSE(catalogue.DataText(9).isEmpty()) << "the value still lands";
  EXPECT_TRUE(rig->Adapter().IsLinkOpen());
  Advance(100ms);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
  EXPECT_EQ(Transactions(), 1);
  EXPECT_EQ(catalogue.DataText(10), "");
}

TEST_F(ScanSequencerTest, TabSwitchMidPassEndsTheScanAfterTheRowInFlight) {
  TickOnly({9, 10});
  StartScanAndOpenLink();
  Advance(100ms);
  SwitchMode(ScanMode::Write);
  EXPECT_FALSE(controls.running);
  EXPECT_EQ(controls.mode, ScanMode::Write);
  EXPECT_FALSE(catalogue.IsEnabled(9));
  Advance(200ms);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
  EXPECT_EQ(Transactions(), 1);
  EXPECT_FALSE(catalogue.DataText(9).isEmpty());
  EXPECT_TRUE(catalogue.IsSelected(10)) << "ticks survive the switch";
}

TEST_F(ScanSequencerTest, FiveBusErrorsOneSecondApartThenTheNextRow) {
  TickOnly({9, 10});
  rig->Adapter().FailCommand(0x09, AdapterEvent::BusError, 5);
  StartScanAndOpenLink();
  std::vector<Micros> attempts;
  int seen = 0;
  for (Micros t{0}; t < 6s; t += 1ms) {
    Advance(1ms);
    if (Transactions() > seen) {
      seen = Transactions();
      attempts.push_back(Now());
    }
  }
  ASSERT_EQ(attempts.size(), 6u);
  for (int i = 1; i < 5; ++i) {
    EXPECT_NEAR(Millis(attempts[i] - attempts[i - 1]), 1000.0, 1.0);
  }
  EXPECT_EQ(catalogue.DataText(9), "BUSERR");
  EXPECT_EQ(rig->Adapter().LastTransactionCall().data, std::vector<std::uint8_t>{0x0A});
  EXPECT_TRUE(log.steps.contains("placeholder:9"));
}

TEST_F(ScanSequencerTest, FourFaultsThenSuccessShowsTheValue) {
  TickOnly({9, 10});
  rig->Adapter().FailCommand(0x09, AdapterEvent::SlaveNack, 4);
  StartScanAndOpenLink();
  RunUntilIdle();
  EXPECT_GT(catalogue.DataText(9).toInt(), 9000);
  EXPECT_FALSE(log.steps.contains("placeholder:9"));
  EXPECT_EQ(Transactions(), 6);
  EXPECT_EQ(log.steps.count("prefix:09:30:00"), 1) << "one separator for the row";
}

TEST_F(ScanSequencerTest, ArbitrationLossGiveUpLeavesItsWordAndThePassEndsNormally) {
  TickOnly({31});
  rig->Adapter().FailNextTransactions(5, AdapterEvent::ArbitrationLoss);
  StartScanAndOpenLink();
  RunUntilIdle();
  EXPECT_EQ(catalogue.DataText(31), "ARBLOSS");
  EXPECT_FALSE(controls.running);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
}

TEST_F(ScanSequencerTest, RefusedTransactionHaltsOnTheRowUntilStopAndKeepsTheLinkOpen) {
  TickOnly({9, 10});
  StartScanAndOpenLink();
  rig->Adapter().FailNextCall(EmulatedAdapter::Operation::MasterTxRx, 0x323);
  Advance(100ms);
  EXPECT_EQ(status.Last(), "<<Operation Not Accepted>>");
  EXPECT_EQ(catalogue.DataText(9), "") << "emptied before the call";
  EXPECT_FALSE(timer1.IsActive());
  Advance(5s);
  EXPECT_TRUE(controls.running);
  EXPECT_EQ(state.rowIndex, 9);

  engine.Stop();
  EXPECT_FALSE(controls.running);
  EXPECT_TRUE(rig->Adapter().IsLinkOpen()) << "the pass never reached its end";
  StartScan();
  EXPECT_TRUE(controls.running) << "the link was found open";
  RunUntilIdle();
  EXPECT_FALSE(catalogue.DataText(10).isEmpty());
}

TEST_F(ScanSequencerTest, WriteTabWithOnlyReadOnlyRowsTickedEndsThePassAtOnce) {
  SwitchMode(ScanMode::Write);
  TickOnly({5, 9, 32});
  StartScan();
  EXPECT_TRUE(controls.warnings.isEmpty());
  Advance(30ms);
  EXPECT_TRUE(controls.running);
  Advance(100ms);
  EXPECT_FALSE(controls.running);
  EXPECT_EQ(controls.mode, ScanMode::Write);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
  EXPECT_EQ(Transactions(), 0);
}

TEST_F(ScanSequencerTest, WriteScanWritesTheTickedWritableRows) {
  SwitchMode(ScanMode::Write);
  catalogue.SetDataText(0, "0000");
  catalogue.SetDataText(1, "300");
  catalogue.SetDataText(2, "10");
  catalogue.SetDataText(4, "-100");
  catalogue.SetDataText(3, "8000");
  StartScan();
  RunUntilIdle();
  EXPECT_EQ(Transactions(), 5);
  EXPECT_EQ(status.history.filter("[x16+W][x04][x9C][xFF][STOP]").size(), 1);
  EXPECT_EQ(BatteryWord(0x01), 300);
  EXPECT_EQ(BatteryWord(0x04), 0xFF9C);
  EXPECT_EQ(BatteryWord(0x03), 0x8000);
  EXPECT_EQ(catalogue.DataText(4), "-100") << "a write leaves the field as typed";
  EXPECT_EQ(log.steps.filter("prefix").size(), 0) << "writes start no log record";
}

TEST_F(ScanSequencerTest, WriteDataWithATextThatIsNotExactlyOneWordWritesNothing) {
  SwitchMode(ScanMode::Write);
  TickOnly({1, 4});
  catalogue.SetDataText(1, "300");
  catalogue.SetDataText(4, "40000");
  StartScan();
  RunUntilIdle();
  ASSERT_EQ(controls.warnings.size(), 1);
  EXPECT_TRUE(controls.warnings[0].contains("AtRate"));
  EXPECT_TRUE(controls.warnings[0].contains("a whole number from -32768 to 32767"))
      << controls.warnings[0].toStdString();
  EXPECT_FALSE(controls.running) << "the scan did not start";
  EXPECT_EQ(controls.mode, ScanMode::Write);
  EXPECT_EQ(Transactions(), 0);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
}

TEST_F(ScanSequencerTest, WriteRetriedAfterFaultsSendsTheTypedValueNotTheFaultWord) {
  SwitchMode(ScanMode::Write);
  TickOnly({1});
  catalogue.SetDataText(1, "300");
  rig->Adapter().FailNextTransactions(2, AdapterEvent::SlaveNack);
  StartScan();
  RunUntilIdle();
  EXPECT_EQ(status.history.filter("[x16+W][x01][x2C][x01][STOP]").size(), 3)
      << "every attempt sends 300";
  EXPECT_EQ(BatteryWord(0x01), 300);
}

TEST_F(ScanSequencerTest, SelectAllOnTheWriteTabTicksDisabledRowsWhichTheScanSkips) {
  SwitchMode(ScanMode::Write);
  engine.DeselectAll();
  EXPECT_FALSE(controls.allSelected);
  for (int row = 0; row < 33; ++row) EXPECT_FALSE(catalogue.IsSelected(row));
  engine.SelectAll();
  EXPECT_TRUE(controls.allSelected);
  for (int row = 0; row < 33; ++row) EXPECT_TRUE(catalogue.IsSelected(row));
  StartScan();
  RunUntilIdle();
  EXPECT_EQ(Transactions(), 5);
}

TEST_F(ScanSequencerTest, TickingAndUntickingRowsAheadChangesTheCurrentPass) {
  TickOnly({5, 20});
  StartScanAndOpenLink();
  Advance(150ms);  // row 5 done
  catalogue.SetSelected(20, false);
  catalogue.SetSelected(25, true);
  catalogue.SetSelected(2, true);  // behind the index: not in this pass
  RunUntilIdle();
  EXPECT_EQ(Transactions(), 2);
  EXPECT_EQ(catalogue.DataText(20), "");
  EXPECT_FALSE(catalogue.DataText(25).isEmpty());
  EXPECT_EQ(catalogue.DataText(2), "10");
}

TEST_F(ScanSequencerTest, ChangingTheAddressMidPassSendsTheFollowingRowsThere) {
  TickOnly({9, 10});
  StartScanAndOpenLink();
  Advance(150ms);
  settings.addressEntry = 5;  // "0A"
  Advance(100ms);
  EXPECT_EQ(rig->Adapter().LastTransactionCall().address, 0x0A);
  EXPECT_EQ(status.history.filter("[x0A+W][x0A]").size(), 1);
  Advance(1ms);
  EXPECT_EQ(catalogue.DataText(10), "NACK");
}

TEST_F(ScanSequencerTest, TheComPortIsReadOnlyWhenTheLinkOpens) {
  TickOnly({9});
  StartScanAndOpenLink();
  EXPECT_EQ(settings.comReads, 1);
  settings.comEntry = QString("4");
  RunUntilIdle();
  EXPECT_EQ(settings.comReads, 1);
  rig->Ports().SetPorts({1, 4}, {1});
  StartScan();
  EXPECT_EQ(settings.comReads, 2);
  Advance(1s);
  EXPECT_EQ(status.Last(), "<<Kavix Not Responding, Check ComPort, Power...>>");
  EXPECT_FALSE(controls.running);
}

TEST_F(ScanSequencerTest, ComPortEntriesThatAreNotNumbersOpenPortZero) {
  EXPECT_EQ(LinkControl::ComPortNumber("3"), 3);
  EXPECT_EQ(LinkControl::ComPortNumber("None"), 0);
  EXPECT_EQ(LinkControl::ComPortNumber(""), 0);
  settings.comEntry = QString("None");
  StartScan();
  EXPECT_EQ(status.Last(), "<<Invalid Communication Port Number>>");
  EXPECT_FALSE(controls.running);
}

TEST_F(ScanSequencerTest, NoComPortSelectedReportsAnErrorAndRequestsNoOpen) {
  settings.comEntry.reset();
  StartScan();
  EXPECT_EQ(errors.shown, QStringList{LinkControl::kNoComPortSelected});
  EXPECT_TRUE(status.history.isEmpty()) << "the status line stays as it was";
  Advance(1s);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
}

TEST_F(ScanSequencerTest, FailingStatusQueryIsShownAndNeitherOpensNorStarts) {
  rig->Adapter().FailNextCall(EmulatedAdapter::Operation::GetStatus, 0x325);
  StartScan();
  EXPECT_EQ(status.history, QStringList{"<<System Failure, See Log File>>"});
  EXPECT_FALSE(controls.running);
  Advance(1s);
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
  StartScan();
  Advance(30ms);
  EXPECT_TRUE(controls.running) << "the next press proceeds";
}

TEST_F(ScanSequencerTest, LateOutcomeOfAStoppedScanNeverLandsInAnotherRow) {
  TickOnly({9, 10});
  rig->Adapter().DelayNextOutcome(50ms);
  StartScanAndOpenLink();
  Advance(100ms);  // row 9's read is out; its outcome will be late
  engine.Stop();
  StartScan();  // and start again at once, link still open
  EXPECT_TRUE(controls.running);
  Untick({9});  // the new pass starts at row 10
  Advance(60ms);
  EXPECT_EQ(status.Last(), "<<I2C Master Rx Complete>>");
  EXPECT_EQ(catalogue.DataText(10), "") << "row 9's value did not land in row 10";
  EXPECT_EQ(state.rowIndex, 9);
  RunUntilIdle();
  EXPECT_EQ(catalogue.DataText(10), QString::number(static_cast<std::int16_t>(BatteryWord(0x0A))));
}

TEST_F(ScanSequencerTest, DuplicatedOutcomeIsTakenOnce) {
  TickOnly({9, 10});
  rig->Battery().SetMarkerValues(true);
  rig->Adapter().DuplicateNextOutcome();
  StartScanAndOpenLink();
  Advance(101ms);
  EXPECT_EQ(catalogue.DataText(9), "4105");
  EXPECT_EQ(catalogue.DataText(10), "");
  EXPECT_EQ(state.rowIndex, 10);
  EXPECT_EQ(log.steps.filter("value").size(), 1);
  RunUntilIdle();
  EXPECT_EQ(catalogue.DataText(10), "4106");
}

TEST_F(ScanSequencerTest, OutcomeWithThePassOverChangesNothing) {
  TickOnly({32});
  controls.autoRepeat = true;
  StartScanAndOpenLink();
  Advance(300ms);
  ASSERT_EQ(state.rowIndex, kNoRow);
  const QString shown = catalogue.DataText(32);
  for (auto event :
       {AdapterEvent::MasterRxComplete, AdapterEvent::BusError, AdapterEvent::SlaveNack,
        AdapterEvent::BusTimeout, AdapterEvent::ArbitrationLoss, AdapterEvent::MasterTxComplete}) {
    engine.DispatchAdapterEvent(static_cast<std::uint16_t>(event));
    EXPECT_EQ(state.rowIndex, kNoRow);
    EXPECT_TRUE(controls.running);
    EXPECT_FALSE(timer1.IsActive());
  }
  EXPECT_EQ(catalogue.DataText(32), shown);
}

TEST_F(ScanSequencerTest, UnansweredReadIsIssuedAgainAfter200msWithoutASecondPrefix) {
  TickOnly({9});
  StartScanAndOpenLink();
  rig->Adapter().SetAnswering(false);
  Advance(100ms);
  EXPECT_EQ(Transactions(), 1);
  Advance(199ms);
  EXPECT_EQ(Transactions(), 1);
  rig->Adapter().SetAnswering(true);
  Advance(1ms);
  EXPECT_EQ(Transactions(), 2);
  EXPECT_EQ(state.retryCounter, 5);
  Advance(1ms);
  EXPECT_FALSE(catalogue.DataText(9).isEmpty());
  EXPECT_EQ(log.steps.filter("prefix").size(), 1);
  EXPECT_EQ(log.steps.filter("value").size(), 1);
  RunUntilIdle();
  EXPECT_FALSE(rig->Adapter().IsLinkOpen());
}

TEST_F(ScanSequencerTest, BusTimeoutShowsItsWordAndTheGuardReadsTheRowAgain) {
  TickOnly({9});
  rig->Adapter().FailNextTransactions(1, AdapterEvent::BusTimeout);
  StartScanAndOpenLink();
  Advance(100ms + 25ms);
  EXPECT_EQ(status.Last(), "<<I2C Bus TimeOut Detected, Check Pull-Ups, Battery>>");
  EXPECT_EQ(catalogue.DataText(9), "TIMEOUT");
  EXPECT_EQ(state.retryCounter, 5) << "a time-out is not an attempt";
  EXPECT_EQ(state.rowIndex, 9);
  Advance(175ms);
  EXPECT_EQ(Transactions(), 2);
  Advance(1ms);
  EXPECT_EQ(catalogue.DataText(9), QString::number(BatteryWord(0x09)));
  EXPECT_EQ(log.steps.filter("prefix").size(), 1);
}

TEST_F(ScanSequencerTest, LogStepsComeInTheirOrder) {
  TickOnly({9, 29});
  rig->Adapter().FailCommand(0x20, AdapterEvent::SlaveNack, 5);
  StartScanAndOpenLink();
  RunUntilIdle();
  EXPECT_EQ(log.steps, (QStringList{"header:9", "header:29", "endheader", "prefix:09:30:00",
                                    "value:" + catalogue.DataText(9), "prefix", "placeholder:29"}));
}

TEST_F(ScanSequencerTest, FailedValueWriteShowsTheValueAndHaltsTheScanOnTheRow) {
  TickOnly({9, 10});
  log.failing = "value";
  StartScanAndOpenLink();
  Advance(2s);
  EXPECT_FALSE(catalogue.DataText(9).isEmpty());
  EXPECT_EQ(state.rowIndex, 9);
  EXPECT_TRUE(controls.running);
  EXPECT_FALSE(timer1.IsActive());
  EXPECT_EQ(Transactions(), 1);
}

// An arbitration loss leaves the read's re-issue armed; a placeholder that
// cannot be written must not let it read the row again, fault again and try
// another placeholder.
TEST_F(ScanSequencerTest, FailedPlaceholderHaltsTheScanOnTheRowOnce) {
  TickOnly({9, 10});
  log.failing = "placeholder";
  rig->Adapter().FailCommand(0x09, AdapterEvent::ArbitrationLoss, 1000);
  StartScanAndOpenLink();
  Advance(3s);
  EXPECT_EQ(log.steps.count("placeholder:9"), 1);
  EXPECT_EQ(Transactions(), 5);
  EXPECT_EQ(state.rowIndex, 9);
  EXPECT_GE(state.retryCounter, 0);
  EXPECT_EQ(catalogue.DataText(9), "ARBLOSS");
  EXPECT_TRUE(controls.running);
  EXPECT_FALSE(timer1.IsActive());
}

// Stop pressed while the last row's tick is still due, then Read Data before
// that tick: the tick must not close the link the press is opening.
TEST_F(ScanSequencerTest, StopWhileTheLastRowsTickIsDueLeavesANewPressItsLink) {
  TickOnly({32});
  controls.autoRepeat = true;
  StartScanAndOpenLink();
  Advance(100ms);
  while (state.rowIndex != kNoRow) Advance(1ms);
  ASSERT_TRUE(timer1.IsActive()) << "the last row's tick is due";
  engine.Stop();
  rig->Adapter().SetOpenDelay(300ms);
  StartScan();  // Read Data, the link opening slowly
  Advance(400ms);
  EXPECT_TRUE(controls.running);
  EXPECT_TRUE(rig->Adapter().IsLinkOpen());
}

TEST_F(ScanSequencerTest, FailedHeaderWriteKeepsThePressFromStarting) {
  log.failing = "header";
  StartScan();
  EXPECT_EQ(log.steps, QStringList{"header:0"});
  EXPECT_TRUE(status.history.isEmpty());
  EXPECT_FALSE(controls.running);
}

}  // namespace
