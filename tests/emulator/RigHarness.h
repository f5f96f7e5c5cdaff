#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "emulator/EmulatedRig.h"

using namespace std::chrono_literals;

// Collects the event codes the adapter reports, from whatever thread.
class EventLog {
 public:
  AdapterEventCallback Callback() {
    return [this](std::int32_t code) {
      std::lock_guard lock(mutex_);
      codes_.push_back(code);
    };
  }
  std::vector<std::int32_t> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(codes_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<std::int32_t> codes_;
};

inline std::int32_t Code(AdapterEvent event) {
  return static_cast<std::int32_t>(event);
}

// A deterministic rig with its link opened on COM1.
class DeterministicRigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Open(1), 0);
    rig->Advance(100ms);
    ASSERT_EQ(events.Take(), std::vector{Code(AdapterEvent::LinkOpen)});
  }

  std::int32_t Open(int port) {
    return adapter().I2COpen(MakeOpenParams(static_cast<std::uint8_t>(port)), events.Callback(),
                             kAdapterLogFileName);
  }

  EmulatedAdapter& adapter() { return rig->Adapter(); }

  std::int32_t StartRead(std::uint8_t command, int receiveLength, std::uint8_t address = 0x16) {
    return adapter().I2CMasterTxRx(address, &command, 1, receiveLength, 1);
  }

  std::int32_t StartWrite(std::uint8_t command, std::uint16_t value) {
    const std::uint8_t data[3] = {command, static_cast<std::uint8_t>(value & 0xFF),
                                  static_cast<std::uint8_t>(value >> 8)};
    return adapter().I2CMasterTx(0x16, data, 3, 1);
  }

  std::vector<std::uint8_t> Reply(int capacity = 100) {
    std::vector<std::uint8_t> buffer(capacity, 0xEE);
    int length = 0;
    adapter().I2CGetMasterRxMsg(capacity, buffer.data(), length);
    return buffer;
  }

  // Reads a word register to completion; fails the test on any other outcome.
  std::uint16_t ReadWord(std::uint8_t command) {
    EXPECT_EQ(StartRead(command, 2), 0);
    rig->Advance(1ms);
    EXPECT_EQ(events.Take(), std::vector{Code(AdapterEvent::MasterRxComplete)});
    const auto reply = Reply();
    return static_cast<std::uint16_t>(reply[0] | reply[1] << 8);
  }

  std::vector<std::uint8_t> ReadBlock(std::uint8_t command) {
    EXPECT_EQ(StartRead(command, 0), 0);
    rig->Advance(5ms);
    EXPECT_EQ(events.Take(), std::vector{Code(AdapterEvent::MasterRxComplete)});
    const auto reply = Reply();
    return {reply.begin() + 1, reply.begin() + 1 + reply[0]};
  }

  void WriteWord(std::uint8_t command, std::uint16_t value) {
    ASSERT_EQ(StartWrite(command, value), 0);
    rig->Advance(1ms);
    ASSERT_EQ(events.Take(), std::vector{Code(AdapterEvent::MasterTxComplete)});
  }

  std::unique_ptr<EmulatedRig> rig = EmulatedRig::Deterministic();
  EventLog events;
};
