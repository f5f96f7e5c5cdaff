#include "tests/support/ScanHarness.h"

namespace {

class BusTransactionsTest : public ScanHarness {
 protected:
  // The link open and the scan standing on a row, as a Timer1 tick finds it.
  void StandOnRow(int row) {
    TickOnly({row});
    StartScanAndOpenLink();
    timer1.Stop();
    state.rowIndex = row;
  }
};

TEST_F(BusTransactionsTest, ReadStatusTextShowsAddressAndCommandAsTwoHexDigits) {
  StandOnRow(9);
  transactions.ReadTransaction();
  EXPECT_EQ(status.Last(), "<<Master Tx/Rx Msg [START][x16+W][x09][STOP]>>");
  EXPECT_TRUE(timer1.IsActive());
  EXPECT_EQ(timer1.Interval(), 200);
  Advance(1ms);
  state.rowIndex = 9;
  settings.addressEntry = 0;
  transactions.ReadTransaction();
  EXPECT_EQ(status.Last(), "<<Master Tx/Rx Msg [START][x00+W][x09][STOP]>>");
  Advance(1ms);
  state.rowIndex = 9;
  settings.addressEntry = 127;
  transactions.ReadTransaction();
  EXPECT_EQ(status.Last(), "<<Master Tx/Rx Msg [START][xFE+W][x09][STOP]>>");
  EXPECT_EQ(rig->Adapter().LastTransactionCall().address, 0xFE);
}

TEST_F(BusTransactionsTest, ReceiveLengthIsZeroForStringAndBlockRowsAndTwoOtherwise) {
  StandOnRow(0);
  for (int row : {0, 7, 22, 28, 29, 31, 32}) {
    state.rowIndex = row;
    transactions.ReadTransaction();
    EXPECT_EQ(rig->Adapter().LastTransactionCall().receiveLength, row >= 29 ? 0 : 2) << row;
    EXPECT_EQ(rig->Adapter().LastTransactionCall().data,
              std::vector<std::uint8_t>{catalogue.CommandCode(row)});
    Advance(5ms);
  }
}

TEST_F(BusTransactionsTest, WriteSendsCommandLowHighAndShowsEachByte) {
  SwitchTab(1);
  StandOnRow(1);
  catalogue.SetDataText(1, "10");
  transactions.WriteTransaction();
  EXPECT_EQ(status.Last(), "<<Master Tx Msg [START][x16+W][x01][x0A][x00][STOP]>>");
  EXPECT_EQ(catalogue.DataText(1), "10");
  EXPECT_TRUE(timer1.IsActive());
  EXPECT_EQ(timer1.Interval(), 200);
  Advance(1ms);
  state.rowIndex = 4;
  catalogue.SetDataText(4, "-1");
  transactions.WriteTransaction();
  EXPECT_EQ(rig->Adapter().LastTransactionCall().data, (std::vector<std::uint8_t>{4, 0xFF, 0xFF}));
  EXPECT_TRUE(rig->Adapter().LastTransactionCall().write);
}

TEST_F(BusTransactionsTest, OnlyTheFirstAttemptWritesTheLogPrefixButEveryAttemptClearsTheField) {
  StandOnRow(9);
  log.steps.clear();
  catalogue.SetDataText(9, "NACK");
  state.retryCounter = 3;
  transactions.ReadTransaction();
  EXPECT_TRUE(log.steps.isEmpty());
  EXPECT_EQ(catalogue.DataText(9), "");
  Advance(1ms);
  state.rowIndex = 9;
  state.retryCounter = 5;
  state.attemptedRow = kNoRow;  // as at the row's first attempt in a new pass
  log.steps.clear();
  transactions.ReadTransaction();
  EXPECT_EQ(log.steps, QStringList{"prefix:09:30:00"}) << "row 9 begins the record";
}

TEST_F(BusTransactionsTest, RefusedReadHasWrittenItsPrefixAndEmptiedItsFieldAndArmsNothing) {
  StandOnRow(9);
  log.steps.clear();
  catalogue.SetDataText(9, "12000");
  rig->Adapter().FailNextCall(EmulatedAdapter::Operation::MasterTxRx, -1);
  transactions.ReadTransaction();
  EXPECT_EQ(status.Last(), "<<Kavix DLL Return Code = 0xFFFFFFFF>>");
  EXPECT_EQ(log.steps.size(), 1);
  EXPECT_EQ(catalogue.DataText(9), "");
  EXPECT_FALSE(timer1.IsActive());
  EXPECT_EQ(state.pendingRow, kNoRow);
}

TEST_F(BusTransactionsTest, RefusedWriteShowsItsCodeAndArmsNothing) {
  SwitchTab(1);
  StandOnRow(2);
  rig->Adapter().FailNextCall(EmulatedAdapter::Operation::MasterTx, 0x322);
  transactions.WriteTransaction();
  EXPECT_EQ(status.Last(), "<<I2C Link Operation in Progress>>");
  EXPECT_FALSE(timer1.IsActive());
}

TEST_F(BusTransactionsTest, NoAddressSelectedIsReportedAndNothingIsSent) {
  StandOnRow(9);
  const int before = Transactions();
  settings.addressEntry.reset();
  transactions.ReadTransaction();
  EXPECT_EQ(errors.shown, QStringList{BusTransactions::kNoAddressSelected});
  EXPECT_EQ(Transactions(), before);
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
    sequencer.ReadDataBtnClick();
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
                [this](std::int32_t code) { engine.DispatchAdapterEvent(code & 0xFFFF); },
                kAdapterLogFileName),
            0);
  Advance(30ms);  // LinkOpen with every row ticked begins a scan; stop it
  sequencer.ReadDataBtnClick();
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
