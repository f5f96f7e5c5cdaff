#include "tests/support/ScanHarness.h"

namespace {

class BusTransactionsTest : public ScanHarness {
 protected:
  // Only this row ticked, the link open, and its transaction due at the next
  // tick, 100 ms on.
  void OpenOnRow(int row) {
    TickOnly({row});
    StartScanAndOpenLink();
  }
  // The transaction timer's next tick has just come.
  void AdvanceToTick() { Advance(timer1.Deadline().value() - Now()); }
  // The scan has just issued the row's transaction.
  void IssueRow(int row) {
    OpenOnRow(row);
    AdvanceToTick();
  }
};

TEST_F(BusTransactionsTest, ReadStatusTextShowsAddressAndCommandAsTwoHexDigits) {
  const struct {
    int addressEntry;
    const char* text;
    std::uint8_t addressByte;
  } cases[] = {{11, "<<Master Tx/Rx Msg [START][x16+W][x09][STOP]>>", 0x16},
               {0, "<<Master Tx/Rx Msg [START][x00+W][x09][STOP]>>", 0x00},
               {127, "<<Master Tx/Rx Msg [START][xFE+W][x09][STOP]>>", 0xFE}};
  for (const auto& c : cases) {
    settings.addressEntry = c.addressEntry;
    IssueRow(9);
    EXPECT_TRUE(status.history.contains(c.text)) << c.text;
    EXPECT_EQ(rig->Adapter().LastTransactionCall().address, c.addressByte);
    engine.Stop();
    RunUntilIdle();
  }
}

TEST_F(BusTransactionsTest, ReceiveLengthIsZeroForStringAndBlockRowsAndTwoOtherwise) {
  for (int row : {0, 7, 22, 28, 29, 31, 32}) {
    IssueRow(row);
    EXPECT_EQ(rig->Adapter().LastTransactionCall().receiveLength, row >= 29 ? 0 : 2) << row;
    EXPECT_EQ(timer1.Interval(), 200) << "the guard is armed";
    EXPECT_EQ(rig->Adapter().LastTransactionCall().data,
              std::vector<std::uint8_t>{catalogue.CommandCode(row)});
    RunUntilIdle();
  }
}

TEST_F(BusTransactionsTest, WriteSendsCommandLowHighAndShowsEachByte) {
  SwitchMode(ScanMode::Write);
  catalogue.SetDataText(1, "10");
  IssueRow(1);
  EXPECT_EQ(status.Last(), "<<Master Tx Msg [START][x16+W][x01][x0A][x00][STOP]>>");
  EXPECT_EQ(catalogue.DataText(1), "10");
  EXPECT_TRUE(timer1.IsActive());
  EXPECT_EQ(timer1.Interval(), 200);
  RunUntilIdle();
  catalogue.SetDataText(4, "-1");
  IssueRow(4);
  EXPECT_EQ(rig->Adapter().LastTransactionCall().data, (std::vector<std::uint8_t>{4, 0xFF, 0xFF}));
  EXPECT_TRUE(rig->Adapter().LastTransactionCall().write);
}

TEST_F(BusTransactionsTest, OnlyTheFirstAttemptWritesTheLogPrefixButEveryAttemptClearsTheField) {
  rig->Adapter().FailNextTransactions(1, AdapterEvent::SlaveNack);
  IssueRow(9);
  EXPECT_EQ(log.steps.filter("prefix"), QStringList{"prefix:09:30:00"})
      << "row 9 begins the record";
  while (catalogue.DataText(9) != "NACK") Advance(1ms);
  log.steps.clear();
  AdvanceToTick();
  ASSERT_EQ(Transactions(), 2);
  EXPECT_TRUE(log.steps.isEmpty());
  EXPECT_EQ(catalogue.DataText(9), "");
}

TEST_F(BusTransactionsTest, RefusedReadHasWrittenItsPrefixAndEmptiedItsFieldAndArmsNothing) {
  OpenOnRow(9);
  log.steps.clear();
  catalogue.SetDataText(9, "12000");
  rig->Adapter().FailNextCall(EmulatedAdapter::Operation::MasterTxRx, -1);
  Advance(100ms);
  EXPECT_EQ(status.Last(), "<<Kavix DLL Return Code = 0xFFFFFFFF>>");
  EXPECT_EQ(log.steps.size(), 1);
  EXPECT_EQ(catalogue.DataText(9), "");
  EXPECT_FALSE(timer1.IsActive());
  EXPECT_EQ(state.pendingRow, kNoRow);
}

TEST_F(BusTransactionsTest, RefusedWriteShowsItsCodeAndArmsNothing) {
  SwitchMode(ScanMode::Write);
  catalogue.SetDataText(2, "10");
  OpenOnRow(2);
  rig->Adapter().FailNextCall(EmulatedAdapter::Operation::MasterTx, 0x322);
  Advance(100ms);
  EXPECT_EQ(status.Last(), "<<I2C Link Operation in Progress>>");
  EXPECT_FALSE(timer1.IsActive());
}

TEST_F(BusTransactionsTest, NoAddressSelectedIsReportedAndNothingIsSent) {
  OpenOnRow(9);
  settings.addressEntry.reset();
  Advance(100ms);
  EXPECT_EQ(errors.shown, QStringList{BusTransactions::kNoAddressSelected});
  EXPECT_EQ(Transactions(), 0);
  EXPECT_FALSE(timer1.IsActive());
}

class AdapterEventDispatchTest : public ScanHarness {
 protected:
  // A read of the row is in flight, with its guard armed.
  void ReadInFlight(int row) {
    TickOnly({row});
    StartScanAndOpenLink();
    rig->Adapter().SetAnswering(false);
    Advance(100ms);
    ASSERT_EQ(state.pendingRow, row);
    ASSERT_TRUE(timer1.IsActive());
  }
  void Dispatch(AdapterEvent event) {
    engine.DispatchAdapterEvent(static_cast<std::uint16_t>(event));
  }
};

TEST_F(AdapterEventDispatchTest, EveryEventShowsItsTextLetterForLetter) {
  const std::pair<int, const char*> table[] = {
      {0x111, "<<Kavix Link Open>>"},
      {0x112, "<<Kavix Not Responding, Check ComPort, Power...>>"},
      {0x113, "<<Kavix Busy>>"},
      {0x114, "<<I2C Bus Error Detected>>"},
      {0x115, "<<Addressed Slave Not Acknowledging>>"},
      {0x116, "<<I2C Bus Arbitration Loss Detected>>"},
      {0x117, "<<I2C Bus TimeOut Detected, Check Pull-Ups, Battery>>"},
      {0x118, "<<I2C Master Tx Complete>>"},
      {0x119, "<<I2C Master Rx Complete>>"},
      {0x211, "<<I2C Slave Message Received, Discarded>>"},
      {0x212, "<<I2C Slave Message Requested>>"},
      {0x213, "<<I2C Slave Change Addr Complete>>"},
      {0x214, "<<I2C Slave General Call Change Complete>>"},
      {0x120, "<<Unsupported Kavix Event Received>>"},
      {0x000, "<<Unsupported Kavix Event Received>>"},
      {0xFFFF, "<<Unsupported Kavix Event Received>>"},
  };
  for (const auto& [code, text] : table) {
    EXPECT_EQ(EventStatusText(static_cast<std::uint16_t>(code)), text);
  }
}

TEST_F(AdapterEventDispatchTest, ForeignCodeArrivingFromTheAdapterChangesNothingButTheStatus) {
  ReadInFlight(9);
  rig->Adapter().InjectEvent(0x0120);
  Advance(1ms);
  EXPECT_EQ(status.Last(), "<<Unsupported Kavix Event Received>>");
  EXPECT_EQ(state.pendingRow, 9);
  EXPECT_TRUE(timer1.IsActive());
}

TEST_F(AdapterEventDispatchTest, FaultsWriteTheirWordAndPauseBeforeTheNextAttempt) {
  const struct {
    AdapterEvent event;
    const char* word;
    int pause;
  } faults[] = {{AdapterEvent::BusError, "BUSERR", 1000},
                {AdapterEvent::SlaveNack, "NACK", 100},
                {AdapterEvent::ArbitrationLoss, "ARBLOSS", 100},
                {AdapterEvent::Busy, "BUSY", 100}};
  for (const auto& fault : faults) {
    ReadInFlight(9);
    Dispatch(fault.event);
    EXPECT_EQ(catalogue.DataText(9), fault.word);
    EXPECT_EQ(state.retryCounter, 4);
    EXPECT_EQ(state.rowIndex, 9);
    EXPECT_TRUE(timer1.IsActive());
    EXPECT_EQ(timer1.Interval(), fault.pause);
    engine.Stop();
    rig->Adapter().SetAnswering(true);
    RunUntilIdle();
  }
}

TEST_F(AdapterEventDispatchTest, BusTimeoutTouchesNeitherTimerNorScan) {
  ReadInFlight(9);
  const auto deadline = timer1.Deadline();
  Dispatch(AdapterEvent::BusTimeout);
  EXPECT_EQ(catalogue.DataText(9), "TIMEOUT");
  EXPECT_EQ(timer1.Deadline(), deadline);
  EXPECT_EQ(timer1.Interval(), 200);
  EXPECT_EQ(state.retryCounter, 5);
  EXPECT_EQ(state.pendingRow, kNoRow) << "the outcome came";
}

TEST_F(AdapterEventDispatchTest, MasterRxCompleteDecodesByTheRowsUnitClass) {
  rig->Battery().SetMarkerValues(true);
  ReadInFlight(10);
  rig->Adapter().SetAnswering(true);
  Advance(201ms);  // the guard issues the read again, this time answered
  EXPECT_EQ(catalogue.DataText(10), "4106");
  EXPECT_EQ(state.rowIndex, 11);
  EXPECT_EQ(state.retryCounter, 5);
  EXPECT_EQ(timer1.Interval(), 100);
}

TEST_F(AdapterEventDispatchTest, StatusOnlyEventsTouchNoRow) {
  ReadInFlight(9);
  for (auto event : {AdapterEvent::NotResponding, AdapterEvent::SlaveAddrChanged,
                     AdapterEvent::GeneralCallChanged}) {
    Dispatch(event);
    EXPECT_EQ(catalogue.DataText(9), "");
    EXPECT_EQ(state.pendingRow, 9);
    EXPECT_TRUE(timer1.IsActive());
  }
}

TEST_F(AdapterEventDispatchTest, SlaveRequestsAreAnsweredWhetherOrNotAScanRuns) {
  ASSERT_EQ(rig->Adapter().I2COpen(
                MakeOpenParams(1),
                [this](std::int32_t code) { engine.DispatchAdapterEvent(AdapterEventCode(code)); },
                kAdapterLogFileName),
            0);
  Advance(30ms);  // LinkOpen with every row ticked begins a scan; stop it
  engine.Stop();
  const ScanState before = state;
  rig->Adapter().RequestSlaveRead();
  Advance(1ms);
  EXPECT_EQ(status.history.filter("Slave Message Requested").size(), 1);
  const auto reply = rig->Adapter().LastSlaveReply();
  EXPECT_EQ(std::string(reply.begin(), reply.end()), "Hello from Kavix");
  EXPECT_EQ(reply.size(), 16u);
  rig->Adapter().SendSlaveMessage({1, 2, 3});
  Advance(1ms);
  EXPECT_EQ(status.Last(), "<<I2C Slave Message Received, Discarded>>");
  EXPECT_EQ(state.rowIndex, before.rowIndex);
  EXPECT_EQ(state.retryCounter, before.retryCounter);
}

}  // namespace
