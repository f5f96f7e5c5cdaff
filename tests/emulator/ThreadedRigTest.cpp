#include <condition_variable>
#include <thread>

#include "tests/emulator/RigHarness.h"

namespace {

// Counts the outcome events that arrive on the adapter's thread and lets the
// test thread wait for the next one.
class OutcomeCounter {
 public:
  AdapterEventCallback Callback() {
    return [this](std::int32_t code) {
      std::lock_guard lock(mutex_);
      ++counts_[code];
      callerThreads_.insert(std::this_thread::get_id());
      arrived_.notify_all();
    };
  }
  bool WaitFor(std::int32_t code, int count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, 5s, [&] { return counts_[code] >= count; });
  }
  std::map<std::int32_t, int> Counts() {
    std::lock_guard lock(mutex_);
    return counts_;
  }
  std::set<std::thread::id> CallerThreads() {
    std::lock_guard lock(mutex_);
    return callerThreads_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::map<std::int32_t, int> counts_;
  std::set<std::thread::id> callerThreads_;
};

// A threaded rig with its link open, reporting to the counter.
class ThreadedRigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig->Adapter().SetOpenDelay(1ms);
    ASSERT_EQ(rig->Adapter().I2COpen(MakeOpenParams(1), counter.Callback(), kAdapterLogFileName),
              0);
    ASSERT_TRUE(counter.WaitFor(Code(AdapterEvent::LinkOpen), 1));
  }
  // The rig goes first: its thread must stop before the counter it reports to.
  void TearDown() override { rig.reset(); }

  OutcomeCounter counter;
  std::unique_ptr<EmulatedRig> rig = EmulatedRig::Threaded();
};

TEST_F(ThreadedRigTest, TenThousandTransactionsEachReportExactlyOneOutcome) {
  constexpr int kTransactions = 10000;
  const std::int32_t rx = Code(AdapterEvent::MasterRxComplete);
  const std::int32_t tx = Code(AdapterEvent::MasterTxComplete);
  int reads = 0, writes = 0;
  for (int i = 0; i < kTransactions; ++i) {
    if (i % 10 == 9) {
      const std::uint8_t data[3] = {0x02, static_cast<std::uint8_t>(i), 0};
      ASSERT_EQ(rig->Adapter().I2CMasterTx(0x16, data, 3, 1), 0);
      ASSERT_TRUE(counter.WaitFor(tx, ++writes)) << "write " << i;
    } else {
      const std::uint8_t command = static_cast<std::uint8_t>(i % 0x1D);
      ASSERT_EQ(rig->Adapter().I2CMasterTxRx(0x16, &command, 1, 2, 1), 0);
      ASSERT_TRUE(counter.WaitFor(rx, ++reads)) << "read " << i;
    }
  }
  std::this_thread::sleep_for(20ms);  // room for a stray duplicate to show up
  const auto counts = counter.Counts();
  EXPECT_EQ(counts.at(rx), reads);
  EXPECT_EQ(counts.at(tx), writes);
  EXPECT_EQ(counts.at(Code(AdapterEvent::LinkOpen)), 1);
  EXPECT_EQ(counts.size(), 3u);
  EXPECT_EQ(reads + writes, kTransactions);
  const auto threads = counter.CallerThreads();
  EXPECT_EQ(threads.size(), 1u);
  EXPECT_FALSE(threads.contains(std::this_thread::get_id())) << "events come from the rig's thread";
}

TEST_F(ThreadedRigTest, CloseWhileOutcomeIsDueReportsNothing) {
  rig->Adapter().DelayNextOutcome(30ms);
  const std::uint8_t command = 0x09;
  ASSERT_EQ(rig->Adapter().I2CMasterTxRx(0x16, &command, 1, 2, 1), 0);
  rig->Adapter().I2CClose();
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(counter.Counts().count(Code(AdapterEvent::MasterRxComplete)), 0u);
}

TEST(EmulatedRigPorts, TheHintNamesTheAddressTheBatteryAnswersAt) {
  const struct {
    EmulatedFault fault;
    const char* line;
  } cases[] = {
      {EmulatedFault::None, "COM1: emulated adapter, emulated battery at 16"},
      {EmulatedFault::Elsewhere, "COM1: emulated adapter, emulated battery at 1C"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EmulatedRig::Threaded(c.fault)->Ports().HintLines({1}).at(0), c.line);
  }
}

}  // namespace
