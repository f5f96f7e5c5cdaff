// Auto-repeat on the fake timers and clock: when passes start, how a wait ends,
// and the repeat time as wall-clock time.
#include "tests/support/ScanHarness.h"

namespace {

class AutoRepeatTest : public ScanHarness {
 protected:
  void SetUp() override { controls.autoRepeat = true; }

  struct Passes {
    std::vector<Micros> starts;  // when each pass began (a read or write issued from the top)
    std::vector<Micros> ends;    // when each pass was over (no row left)
  };

  // Runs for the time given, noting when passes begin and end. A pass under
  // way when it is called has its end noted, not its start.
  Passes Watch(Micros duration) {
    Passes passes;
    bool inPass = state.rowIndex < kNoRow;
    for (const Micros end = Now() + duration; Now() < end;) {
      Advance(1ms);
      const bool now = state.rowIndex < kNoRow;
      if (now && !inPass) passes.starts.push_back(Now());
      if (!now && inPass) passes.ends.push_back(Now());
      inPass = now;
    }
    return passes;
  }

  bool Waiting() const {
    return state.rowIndex == kNoRow && engine.IsRunning() && timer2.IsActive() &&
           rig->Adapter().IsLinkOpen();
  }
  bool IdleWithLinkClosed() const {
    return !engine.IsRunning() && !timer2.IsActive() && !rig->Adapter().IsLinkOpen();
  }
  // The wall clock set in the middle of a run, by a person or by time
  // synchronisation: passes go on ten seconds apart by the monotonic clock,
  // none lost, none doubled, each stamped with the wall clock as it now reads.
  void PassesTenSecondsApartAcrossAWallClockStep(int seconds) {
    controls.interval = RepeatInterval::TenSeconds;
    TickOnly({9});
    const Micros press = Now();
    FirstPass();
    const Passes before = Watch(press + 25s - Now());
    clock.base = clock.base.addSecs(seconds);
    const Passes after = Watch(30s);
    ASSERT_EQ(before.starts.size(), 2u);
    ASSERT_EQ(after.starts.size(), 3u);
    std::vector<Micros> starts = before.starts;
    starts.insert(starts.end(), after.starts.begin(), after.starts.end());
    for (std::size_t i = 0; i < starts.size(); ++i) {
      EXPECT_NEAR((starts[i] - press).count() / 1e6, 10.0 * double(i + 1), 0.1) << "pass " << i + 2;
    }
    const QDateTime lastStart = clock.base.addMSecs(after.starts.back().count() / 1000);
    EXPECT_LE(std::abs(state.scanStartTime.msecsTo(lastStart)), 1);
  }

  // Presses Read Data and runs the first pass to its end; answers when it ended.
  Micros FirstPass() {
    StartScanAndOpenLink();
    while (state.rowIndex < kNoRow) Advance(1ms);
    return Now();
  }
};

double Seconds(Micros time) {
  return time.count() / 1e6;
}

TEST_F(AutoRepeatTest, TenSecondsWithThreeSecondPassesStartsThemTenSecondsApart) {
  controls.interval = RepeatInterval::TenSeconds;
  TickOnly({0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
            15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28});
  EXPECT_NEAR(Seconds(FirstPass()), 3.0, 0.2);
  const Passes passes = Watch(45s);
  ASSERT_EQ(passes.starts.size(), 4u);
  EXPECT_NEAR(Seconds(passes.starts[0]), 10.0, 0.1) << "ten seconds after the press";
  for (std::size_t i = 1; i < passes.starts.size(); ++i) {
    EXPECT_NEAR(Seconds(passes.starts[i] - passes.starts[i - 1]), 10.0, 0.1);
  }
}

TEST_F(AutoRepeatTest, EachTimedMenuItemNamesItsIntervalAndStartsPassesThatFarApart) {
  const std::tuple<RepeatInterval, const char*, int> items[] = {
      {RepeatInterval::TenSeconds, "Auto Repeat (10 Seconds)", 10},
      {RepeatInterval::Minute, "Auto Repeat (1 Minute)", 60},
      {RepeatInterval::FiveMinutes, "Auto Repeat (5 Minutes)", 300},
      {RepeatInterval::TenMinutes, "Auto Repeat (10 Minutes)", 600},
      {RepeatInterval::Hour, "Auto Repeat (1 Hour)", 3600},
  };
  TickOnly({9});
  for (const auto& [interval, caption, seconds] : items) {
    SCOPED_TRACE(caption);
    engine.SetRepeatInterval(interval);
    EXPECT_EQ(controls.autoRepeatCaption, caption);
    const Micros press = Now();
    FirstPass();
    const Passes passes = Watch(press + std::chrono::seconds(seconds) + 1s - Now());
    ASSERT_EQ(passes.starts.size(), 1u);
    EXPECT_NEAR(Seconds(passes.starts[0] - press), seconds, 0.1);
    engine.Stop();
    ASSERT_TRUE(IdleWithLinkClosed());
  }
}

TEST_F(AutoRepeatTest, TenSecondsWithFifteenSecondPassesStartsEachWithin100msOfTheLastEnd) {
  controls.interval = RepeatInterval::TenSeconds;
  TickOnly({9, 10, 11});
  for (std::uint8_t command : {0x09, 0x0A, 0x0B}) {
    rig->Adapter().FailCommand(command, AdapterEvent::BusError, 1000);
  }
  const Micros firstEnd = FirstPass();
  EXPECT_NEAR(Seconds(firstEnd), 15.0, 0.5);
  const Passes passes = Watch(35s);
  ASSERT_EQ(passes.starts.size(), 3u);
  EXPECT_LE(passes.starts[0] - firstEnd, 100ms);
  for (std::size_t i = 1; i < passes.starts.size(); ++i) {
    const Micros gap = passes.starts[i] - passes.ends[i - 1];
    EXPECT_GE(gap, 0ms);
    EXPECT_LE(gap, 100ms);
  }
}

TEST_F(AutoRepeatTest, HourToTenSecondsWhileWaitingKeepsTheHourForThisWaitOnly) {
  controls.interval = RepeatInterval::Hour;
  TickOnly({9});
  FirstPass();
  engine.SetRepeatInterval(RepeatInterval::TenSeconds);
  EXPECT_EQ(controls.interval, RepeatInterval::TenSeconds);
  EXPECT_EQ(controls.autoRepeatCaption, "Auto Repeat (10 Seconds)");
  Advance(3599s);
  EXPECT_TRUE(Waiting());
  EXPECT_EQ(Transactions(), 1);
  const Passes passes = Watch(25s);
  ASSERT_EQ(passes.starts.size(), 3u);
  EXPECT_NEAR(Seconds(passes.starts[0]), 3600.0, 0.1);
  EXPECT_NEAR(Seconds(passes.starts[1] - passes.starts[0]), 10.0, 0.1);
}

TEST_F(AutoRepeatTest, UntickingWhileWaitingEndsTheWaitWithin100ms) {
  controls.interval = RepeatInterval::Minute;
  TickOnly({9});
  FirstPass();
  Advance(1s);
  ASSERT_TRUE(Waiting());
  controls.autoRepeat = false;
  Advance(100ms);
  EXPECT_TRUE(IdleWithLinkClosed());
  EXPECT_FALSE(controls.running);
}

TEST_F(AutoRepeatTest, SwitchingTabWhileWaitingEndsTheWaitWithin100ms) {
  controls.interval = RepeatInterval::Minute;
  TickOnly({9});
  FirstPass();
  SwitchMode(ScanMode::Write);
  Advance(100ms);
  EXPECT_TRUE(IdleWithLinkClosed());
  EXPECT_FALSE(controls.running);
  EXPECT_EQ(controls.mode, ScanMode::Write);
}

TEST_F(AutoRepeatTest, StopWhileWaitingClosesTheLinkAtOnce) {
  controls.interval = RepeatInterval::Minute;
  TickOnly({9});
  FirstPass();
  engine.Stop();
  EXPECT_TRUE(IdleWithLinkClosed());
}

TEST_F(AutoRepeatTest, UntickingDuringAPassLetsItEndNormallyAndTickingWhileIdleStartsNothing) {
  TickOnly({9, 10});
  StartScanAndOpenLink();
  controls.autoRepeat = false;
  RunUntilIdle();
  EXPECT_TRUE(IdleWithLinkClosed());
  controls.autoRepeat = true;
  Advance(20s);
  EXPECT_EQ(Transactions(), 2);
}

// Within the repeat interval the repeat time is wall-clock time.
TEST_F(AutoRepeatTest, ClockSetForwardStartsTheNextPassAtTheNextTickAndSetBackLengthensTheWait) {
  controls.interval = RepeatInterval::Minute;
  TickOnly({9});
  FirstPass();
  Advance(40s);
  clock.base = clock.base.addSecs(30);
  Passes passes = Watch(100ms);
  ASSERT_EQ(passes.starts.size(), 1u);
  const Micros secondStart = passes.starts[0];
  Advance(1s);
  clock.base = clock.base.addSecs(-30);
  passes = Watch(95s);
  ASSERT_EQ(passes.starts.size(), 1u);
  EXPECT_NEAR(Seconds(passes.starts[0] - secondStart), 90.0, 0.1);
}

TEST_F(AutoRepeatTest, WallClockSetAnHourBackMidRunLosesNoPass) {
  PassesTenSecondsApartAcrossAWallClockStep(-3600);
}

TEST_F(AutoRepeatTest, WallClockSetAnHourForwardMidRunDoublesNoPass) {
  PassesTenSecondsApartAcrossAWallClockStep(3600);
}

TEST_F(AutoRepeatTest, EmptyPassUnderContinuousTriesAgainAtEveryTick) {
  controls.interval = RepeatInterval::Continuous;
  TickOnly({9});
  FirstPass();
  catalogue.SetSelected(9, false);
  const int before = Transactions();
  const QDateTime start = state.scanStartTime;
  Advance(1s);
  EXPECT_TRUE(Waiting());
  EXPECT_EQ(Transactions(), before);
  EXPECT_GE(start.msecsTo(state.scanStartTime), 900) << "a new pass was tried at each tick";
  catalogue.SetSelected(9, true);
  Advance(100ms);
  EXPECT_EQ(Transactions(), before + 1);
}

TEST_F(AutoRepeatTest, ContinuousPassesFollowOneAnotherAtOnce) {
  controls.interval = RepeatInterval::Continuous;
  TickOnly({9, 10});
  FirstPass();
  const Passes passes = Watch(5s);
  ASSERT_GE(passes.starts.size(), 15u);
  for (std::size_t i = 1; i < passes.starts.size(); ++i) {
    EXPECT_LE(passes.starts[i] - passes.ends[i - 1], 100ms);
  }
}

TEST_F(AutoRepeatTest, ContinuousAfterAnHourRepeatDoesNotWaitForTheHourLeftOver) {
  controls.interval = RepeatInterval::Hour;
  TickOnly({9});
  FirstPass();
  engine.Stop();  // with the next repeat an hour ahead
  engine.SetRepeatInterval(RepeatInterval::Continuous);
  EXPECT_EQ(controls.autoRepeatCaption, "Auto Repeat (Continuous)");
  StartScan();
  const Passes passes = Watch(2s);
  ASSERT_GE(passes.starts.size(), 5u);
  EXPECT_LE(passes.starts[0] - passes.ends[0], 100ms);
}

TEST_F(AutoRepeatTest, ChoosingContinuousWhileWaitingKeepsTheWaitsRepeatTime) {
  controls.interval = RepeatInterval::TenMinutes;
  TickOnly({9});
  FirstPass();
  engine.SetRepeatInterval(RepeatInterval::Continuous);
  const Passes passes = Watch(601s);
  ASSERT_GE(passes.starts.size(), 2u);
  EXPECT_NEAR(Seconds(passes.starts[0]), 600.0, 0.1);
  EXPECT_LE(passes.starts[1] - passes.ends[0], 100ms) << "then continuous";
}

TEST_F(AutoRepeatTest, WriteTabRepeatsTheWrites) {
  SwitchMode(ScanMode::Write);
  controls.interval = RepeatInterval::Continuous;
  TickOnly({1, 9});
  catalogue.SetDataText(1, "500");
  StartScanAndOpenLink();
  Advance(2s);
  EXPECT_GE(Transactions(), 8);
  EXPECT_EQ(rig->Adapter().LastTransactionCall().data,
            (std::vector<std::uint8_t>{0x01, 0xF4, 0x01}));
  EXPECT_TRUE(controls.running);
}

TEST_F(AutoRepeatTest, PassEndedByTheAutoRepeatTickLeavesNoTickThatClosesTheNextScansLink) {
  controls.autoRepeat = false;
  TickOnly({32});  // its completion leaves no row: the next auto-repeat tick ends the pass
  StartScanAndOpenLink();
  while (engine.IsRunning()) Advance(100us);
  EXPECT_FALSE(timer1.IsActive());
  StartScan();  // at once, while the link of the last pass is just closed
  Advance(200ms);
  EXPECT_TRUE(controls.running);
  EXPECT_TRUE(rig->Adapter().IsLinkOpen());
  EXPECT_EQ(Transactions(), 2);
}

}  // namespace
