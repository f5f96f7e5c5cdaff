#include "timing/TimerfdTimer.h"

#include <gtest/gtest.h>

#include <QTest>

namespace {

TEST(TimerfdTimerTest, GivenItsCurrentPeriodARunningTimerKeepsCountingAndANewPeriodRestartsIt) {
  TimerfdTimer timer(100);
  timer.Arm(100);
  QTest::qWait(50);
  timer.Arm(100);
  EXPECT_LE(timer.RemainingMs(), 60) << "the same period does not restart the countdown";
  timer.Arm(200);
  EXPECT_GE(timer.RemainingMs(), 150) << "a new period restarts it";
  timer.Stop();
  EXPECT_FALSE(timer.IsActive());
  timer.SetInterval(300);
  EXPECT_FALSE(timer.IsActive()) << "setting the period alone starts nothing";
  EXPECT_EQ(timer.Interval(), 300);
}

TEST(TimerfdTimerTest, TicksReachTheHandler) {
  TimerfdTimer timer(100);
  int ticks = 0;
  timer.SetTickHandler([&] {
    ++ticks;
    timer.Stop();
  });
  timer.Arm(10);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks == 1; }, 2000));
}

}  // namespace
