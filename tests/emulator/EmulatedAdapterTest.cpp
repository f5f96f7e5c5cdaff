#include "emulator/EmulatedAdapter.h"

#include <cmath>

#include "emulator/SmbusTiming.h"
#include "tests/emulator/RigHarness.h"

namespace {

using Events = std::vector<std::int32_t>;

class AdapterOpenTest : public ::testing::Test {
 protected:
  std::int32_t Open(int port, AdapterEventCallback callback = {}) {
    return rig->Adapter().I2COpen(MakeOpenParams(static_cast<std::uint8_t>(port)),
                                  callback ? callback : events.Callback(), kAdapterLogFileName);
  }
  bool LinkFlag() {
    I2CStatusRecord status;
    status.linkOpen = 0xDEAD;
    rig->Adapter().I2CGetStatus(status);
    return status.linkOpen != 0;
  }
  std::unique_ptr<EmulatedRig> rig = EmulatedRig::Deterministic();
  EventLog events;
};

TEST_F(AdapterOpenTest, OpensAfterItsDelayAndRefusesASecondOpen) {
  ASSERT_EQ(Open(1), 0);
  EXPECT_FALSE(LinkFlag());
  EXPECT_EQ(Open(1), return_code::kOpenInProgress);
  rig->Advance(29ms);
  EXPECT_TRUE(events.Take().empty());
  rig->Advance(1ms);
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::LinkOpen)});
  EXPECT_TRUE(LinkFlag());
  EXPECT_EQ(Open(1), return_code::kLinkAlreadyOpen);
  EXPECT_EQ(rig->Adapter().I2CClose(), 0);
  EXPECT_FALSE(LinkFlag());
  EXPECT_EQ(Open(1), 0);
}

TEST_F(AdapterOpenTest, RefusesPortsThatCannotBeUsed) {
  EXPECT_EQ(Open(0), return_code::kInvalidComPort);
  EXPECT_EQ(Open(7), return_code::kInvalidComPort);
  rig->Ports().Take(1);  // another program holds COM1
  EXPECT_EQ(Open(1), return_code::kSystemFailure);
  rig->Ports().Release(1);
  I2COpenParams bad = MakeOpenParams(1);
  bad.fixed27 = 999;
  EXPECT_EQ(rig->Adapter().I2COpen(bad, events.Callback(), kAdapterLogFileName),
            return_code::kInvalidOpenParameter);
  EXPECT_EQ(rig->Adapter().I2COpen(MakeOpenParams(1), {}, kAdapterLogFileName),
            return_code::kNilPointer);
  EXPECT_EQ(rig->Adapter().I2COpen(MakeOpenParams(1), events.Callback(), nullptr),
            return_code::kNilPointer);
  rig->Advance(2s);
  EXPECT_TRUE(events.Take().empty());
  EXPECT_FALSE(LinkFlag());
}

TEST_F(AdapterOpenTest, PortWithoutAdapterReportsNotRespondingAndStaysClosed) {
  rig->Ports().SetPorts({1, 3}, {1});
  ASSERT_EQ(Open(3), 0);
  rig->Advance(500ms);
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::NotResponding)});
  EXPECT_FALSE(LinkFlag());
  EXPECT_TRUE(rig->Ports().ProbeComPort(3));
  EXPECT_EQ(Open(3), 0);
}

TEST_F(AdapterOpenTest, OpenLinkHoldsItsPortAgainstProbes) {
  EXPECT_TRUE(rig->Ports().ProbeComPort(1));
  EXPECT_FALSE(rig->Ports().ProbeComPort(2));
  ASSERT_EQ(Open(1), 0);
  EXPECT_FALSE(rig->Ports().ProbeComPort(1));
  rig->Adapter().I2CClose();
  EXPECT_TRUE(rig->Ports().ProbeComPort(1));
}

TEST_F(AdapterOpenTest, TransactionsNeedAnOpenLink) {
  const std::uint8_t command = 0x09;
  EXPECT_EQ(rig->Adapter().I2CMasterTxRx(0x16, &command, 1, 2, 1), return_code::kLinkNotOpen);
  ASSERT_EQ(Open(1), 0);
  EXPECT_EQ(rig->Adapter().I2CMasterTxRx(0x16, &command, 1, 2, 1), return_code::kLinkNotOpen);
}

using AdapterTransactionTest = DeterministicRigTest;

TEST_F(AdapterTransactionTest, WordReadCompletesAfterItsTransferTime) {
  ASSERT_EQ(StartRead(0x09, 2), 0);
  EXPECT_EQ(StartRead(0x0A, 2), return_code::kOperationInProgress);
  std::uint8_t early[2];
  int length = 0;
  EXPECT_EQ(adapter().I2CGetMasterRxMsg(2, early, length), return_code::kOperationInProgress)
      << "no reply while the transfer runs";
  const auto transfer = smbus_timing::ReadTime(2);
  EXPECT_EQ(transfer, 480us);
  rig->Advance(transfer - 1us);
  EXPECT_TRUE(events.Take().empty());
  rig->Advance(1us);
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::MasterRxComplete)});
  const auto reply = Reply();
  const auto voltage = rig->Battery().ReadWord(0x09, 480us).value();
  EXPECT_EQ(reply[0], voltage & 0xFF);
  EXPECT_EQ(reply[1], voltage >> 8);
  EXPECT_EQ(reply[2], 0xEE) << "nothing beyond the word is copied";
}

TEST_F(AdapterTransactionTest, CountedBlockReadGivesCountThenBytesWithinCapacity) {
  ASSERT_EQ(StartRead(0x21, 0), 0);
  const auto name = rig->Battery().Read(0x21, 0us).value();
  rig->Advance(smbus_timing::ReadTime(static_cast<int>(name.size())));
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::MasterRxComplete)});
  const auto reply = Reply();
  EXPECT_EQ(std::vector(reply.begin(), reply.begin() + name.size()), name);
  const auto shortCopy = Reply(3);
  EXPECT_EQ(shortCopy.size(), 3u);
  EXPECT_EQ(shortCopy[0], name[0]);
}

TEST_F(AdapterTransactionTest, WritesAreKeptAndReadBack) {
  WriteWord(0x04, static_cast<std::uint16_t>(-100));
  EXPECT_EQ(ReadWord(0x04), 0xFF9C);
  WriteWord(0x01, 300);
  EXPECT_EQ(ReadWord(0x01), 300);
  WriteWord(0x02, 25);
  EXPECT_EQ(ReadWord(0x02), 25);
  WriteWord(0x00, 0x1234);
  EXPECT_EQ(ReadWord(0x00), 0x1234);
}

TEST_F(AdapterTransactionTest, ReadOnlyRegistersUnknownCommandsAndOtherAddressesDoNotAcknowledge) {
  ASSERT_EQ(StartWrite(0x09, 1), 0);
  rig->Advance(1ms);
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::SlaveNack)});
  for (std::uint8_t command : {0x1D, 0x1E, 0x1F, 0x24, 0x50}) {
    ASSERT_EQ(StartRead(command, 2), 0);
    rig->Advance(1ms);
    EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::SlaveNack)}) << int{command};
  }
  ASSERT_EQ(StartRead(0x09, 2, 0x18), 0);
  rig->Advance(smbus_timing::kAddressOnlyTime);
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::SlaveNack)});
}

TEST_F(AdapterTransactionTest, CapacityModeSwitchesCapacitiesToTenMilliwattHours) {
  const std::uint16_t milliampHours = ReadWord(0x10);
  const std::uint16_t designMah = ReadWord(0x18);
  WriteWord(0x03, 0x8000);
  const std::uint16_t tenMilliwattHours = ReadWord(0x10);
  EXPECT_EQ(tenMilliwattHours, std::lround(milliampHours * 10800 / 10000.0));
  EXPECT_EQ(ReadWord(0x18), std::lround(designMah * 1.08));
  EXPECT_EQ(ReadWord(0x03), 0x8000);
  WriteWord(0x03, 0x0000);
  EXPECT_EQ(ReadWord(0x10), milliampHours);
}

TEST_F(AdapterTransactionTest, AtRateDrivesItsPredictions) {
  EXPECT_EQ(ReadWord(0x05), 65535);
  EXPECT_EQ(ReadWord(0x06), 65535);
  EXPECT_EQ(ReadWord(0x07), 1);
  WriteWord(0x04, static_cast<std::uint16_t>(-1000));
  const int remaining = ReadWord(0x0F);
  EXPECT_NEAR(ReadWord(0x06), remaining * 60 / 1000, 1);
  EXPECT_EQ(ReadWord(0x05), 65535);
  EXPECT_EQ(ReadWord(0x07), 1);
  WriteWord(0x04, 2000);
  const int toFull = ReadWord(0x10) - ReadWord(0x0F);
  EXPECT_NEAR(ReadWord(0x05), toFull * 60 / 2000, 1);
  EXPECT_EQ(ReadWord(0x06), 65535);
}

struct FaultCase {
  AdapterEvent fault;
  std::chrono::microseconds endsAfter;
};

TEST_F(AdapterTransactionTest, EachInjectedFaultEndsTheTransferWithExactlyItsEvent) {
  for (const FaultCase& c : {FaultCase{AdapterEvent::SlaveNack, smbus_timing::kAddressOnlyTime},
                             FaultCase{AdapterEvent::BusError, smbus_timing::ReadTime(2)},
                             FaultCase{AdapterEvent::ArbitrationLoss, smbus_timing::ReadTime(2)},
                             FaultCase{AdapterEvent::BusTimeout, 25ms}}) {
    adapter().FailNextTransactions(1, c.fault);
    ASSERT_EQ(StartRead(0x09, 2), 0);
    rig->Advance(c.endsAfter - 1us);
    EXPECT_TRUE(events.Take().empty());
    rig->Advance(1us);
    EXPECT_EQ(events.Take(), Events{Code(c.fault)});
    std::uint8_t stale[2];
    int length = 0;
    EXPECT_EQ(adapter().I2CGetMasterRxMsg(2, stale, length), return_code::kNotAccepted)
        << "a failed transfer leaves no reply";
    EXPECT_GT(ReadWord(0x09), 9000) << "the fault was for one transaction only";
  }
}

TEST_F(AdapterTransactionTest, FaultsForOneCommandLeaveOthersAlone) {
  adapter().FailCommand(0x0A, AdapterEvent::BusError, 2);
  ReadWord(0x09);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(StartRead(0x0A, 2), 0);
    rig->Advance(1ms);
    EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::BusError)});
  }
  ReadWord(0x0A);
}

TEST_F(AdapterTransactionTest, InjectedReturnCodeAnswersOneCallOnly) {
  adapter().FailNextCall(EmulatedAdapter::Operation::MasterTxRx, 0x323);
  EXPECT_EQ(StartRead(0x09, 2), 0x323);
  rig->Advance(10ms);
  EXPECT_TRUE(events.Take().empty());
  ReadWord(0x09);
  adapter().FailNextCall(EmulatedAdapter::Operation::GetStatus, -1);
  I2CStatusRecord status;
  EXPECT_EQ(adapter().I2CGetStatus(status), -1);
}

TEST_F(AdapterTransactionTest, LateDuplicatedAndForeignEvents) {
  adapter().DelayNextOutcome(300ms);
  ASSERT_EQ(StartRead(0x09, 2), 0);
  rig->Advance(299ms);
  EXPECT_TRUE(events.Take().empty());
  EXPECT_EQ(StartRead(0x0A, 2), 0) << "the bus is free again once the transfer ended";
  rig->Advance(2ms);
  EXPECT_EQ(events.Take(),
            (Events{Code(AdapterEvent::MasterRxComplete), Code(AdapterEvent::MasterRxComplete)}));

  adapter().DuplicateNextOutcome();
  ASSERT_EQ(StartRead(0x09, 2), 0);
  rig->Advance(1ms);
  EXPECT_EQ(events.Take(),
            (Events{Code(AdapterEvent::MasterRxComplete), Code(AdapterEvent::MasterRxComplete)}));

  adapter().InjectEvent(0x0120, 5ms);
  adapter().InjectEvent(0x10111);
  rig->Advance(5ms);
  EXPECT_EQ(events.Take(), (Events{0x0120, 0x10111})) << "reports keep their order";
}

TEST_F(AdapterTransactionTest, NoEventAfterClose) {
  adapter().DelayNextOutcome(100ms);
  ASSERT_EQ(StartRead(0x09, 2), 0);
  adapter().InjectEvent(0x0113, 50ms);
  rig->Advance(200us);
  adapter().I2CClose();
  rig->Advance(1s);
  EXPECT_TRUE(events.Take().empty());
  ASSERT_EQ(Open(1), 0);
  rig->Advance(30ms);
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::LinkOpen)});
  EXPECT_EQ(StartRead(0x09, 2), 0) << "close dropped the transfer in flight";
}

TEST_F(AdapterTransactionTest, HungAdapterAcceptsButNeverAnswers) {
  adapter().SetAnswering(false);
  ASSERT_EQ(StartRead(0x09, 2), 0);
  rig->Advance(10s);
  EXPECT_TRUE(events.Take().empty());
  adapter().SetAnswering(true);
  ReadWord(0x09);
}

TEST_F(AdapterTransactionTest, SlaveSide) {
  adapter().RequestSlaveRead();
  rig->Advance(0us);
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::SlaveTxRequested)});
  const std::uint8_t hello[] = {'H', 'i'};
  EXPECT_EQ(adapter().I2CSlaveTx(hello, 2), 0);
  EXPECT_EQ(adapter().LastSlaveReply(), (std::vector<std::uint8_t>{'H', 'i'}));

  adapter().SendSlaveMessage({1, 2, 3});
  rig->Advance(0us);
  EXPECT_EQ(events.Take(), Events{Code(AdapterEvent::SlaveRxReceived)});
  std::uint8_t scratch[4] = {};
  EXPECT_EQ(adapter().I2CGetSlaveRxMsg(1, scratch), 0);
  EXPECT_EQ(scratch[0], 1);
  EXPECT_EQ(scratch[1], 0) << "bounded by the capacity given";
}

}  // namespace
