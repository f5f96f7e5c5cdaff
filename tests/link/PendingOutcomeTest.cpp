// An outcome taken without finishing its row, and a link closed while an
// outcome was awaited, leave nothing awaited: the next pass takes its first
// reply instead of counting it off as a leftover.
#include "tests/support/ScanHarness.h"

namespace {

class PendingOutcomeTest : public ScanHarness {
 protected:
  void SetUp() override {
    rig->Battery().SetMarkerValues(true);
    TickOnly({9, 10});
  }

  // A press that starts the next pass on rows 9 and 10 reads each once and
  // shows both values.
  void ExpectNextPassReadsEachRowOnce() {
    catalogue.SetDataText(9, QString());
    catalogue.SetDataText(10, QString());
    const int before = Transactions();
    StartScan();
    RunUntilIdle();
    EXPECT_EQ(Transactions() - before, 2) << "no reply of the pass was thrown away";
    EXPECT_EQ(catalogue.DataText(9), "4105");
    EXPECT_EQ(catalogue.DataText(10), "4106");
    EXPECT_EQ(state.staleOutcomes, 0);
  }

  int Prefixes() const { return log.steps.filter("prefix").size(); }
};

TEST_F(PendingOutcomeTest, BusTimeoutThenStopAndStartOnTheOpenLink) {
  rig->Adapter().FailNextTransactions(1, AdapterEvent::BusTimeout);
  StartScanAndOpenLink();
  Advance(160ms);  // the read of row 9 timed out; its guard still runs
  ASSERT_EQ(catalogue.DataText(9), "TIMEOUT");
  EXPECT_TRUE(true);
  engine.Stop();
  ASSERT_TRUE(rig->Adapter().IsLinkOpen());
  ExpectNextPassReadsEachRowOnce();
}

TEST_F(PendingOutcomeTest, BusTimeoutReissueIsNoFirstAttempt) {
  rig->Adapter().FailNextTransactions(1, AdapterEvent::BusTimeout);
  StartScanAndOpenLink();
  RunUntilIdle();
  EXPECT_EQ(catalogue.DataText(9), "4105");
  EXPECT_EQ(Transactions(), 3);
  EXPECT_EQ(Prefixes(), 2) << log.steps.join(" ").toStdString();

  // A write re-sends the text of its first attempt, not the fault word.
  SwitchMode(ScanMode::Write);
  TickOnly({1});
  catalogue.SetDataText(1, "10");
  rig->Adapter().FailNextTransactions(1, AdapterEvent::BusTimeout);
  StartScanAndOpenLink();
  RunUntilIdle();
  EXPECT_EQ(Transactions(), 5);
  EXPECT_EQ(rig->Adapter().LastTransactionCall().data, (std::vector<std::uint8_t>{1, 10, 0}));
}

TEST_F(PendingOutcomeTest, ValueWhoseLogWriteFailedThenStopAndStart) {
  log.failing = "value";
  StartScanAndOpenLink();
  Advance(110ms);  // row 9's value arrived and its log write failed
  ASSERT_EQ(catalogue.DataText(9), "4105");
  ASSERT_EQ(state.rowIndex, 9);
  EXPECT_TRUE(true);
  engine.Stop();  // the scan rests on the row, the link stays
  ASSERT_TRUE(rig->Adapter().IsLinkOpen());
  log.failing.clear();
  ExpectNextPassReadsEachRowOnce();
}

TEST_F(PendingOutcomeTest, LinkClosedUnderAHungAdapter) {
  StartScanAndOpenLink();
  rig->Adapter().SetAnswering(false);
  Advance(110ms);  // row 9's read accepted; its outcome never comes
  ASSERT_EQ(state.pendingRow, 9);
  engine.Stop();  // the guard's tick closes the link
  Advance(300ms);
  ASSERT_FALSE(rig->Adapter().IsLinkOpen());
  rig->Adapter().SetAnswering(true);
  ExpectNextPassReadsEachRowOnce();
}

TEST_F(PendingOutcomeTest, RefusedCloseStillAwaitsTheOutcome) {
  StartScanAndOpenLink();
  rig->Adapter().DelayNextOutcome(400ms);
  Advance(110ms);  // row 9's read accepted; its outcome comes late
  engine.Stop();
  rig->Adapter().FailNextCall(EmulatedAdapter::Operation::Close, 0x323);
  Advance(250ms);  // the guard's tick tries to close the link, in vain
  ASSERT_TRUE(rig->Adapter().IsLinkOpen());
  EXPECT_EQ(state.pendingRow, 9);
  catalogue.SetDataText(9, QString());
  StartScan();
  RunUntilIdle();
  EXPECT_EQ(catalogue.DataText(9), "4105");
  EXPECT_EQ(catalogue.DataText(10), "4106");
  EXPECT_EQ(state.staleOutcomes, 0);
}

}  // namespace
