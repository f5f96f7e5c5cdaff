#pragma once

#include <chrono>
#include <optional>

#include "emulator/ForwardingAdapter.h"
#include "emulator/SmartBattery.h"
#include "emulator/SmbusTiming.h"

using SteadyClock = std::chrono::steady_clock;

// Passes every call on to the rig's adapter, noting when a pass's first
// transaction starts and when the link is closed at its end, and adding up
// the bus time of the transfers between.
class TimingAdapter : public ForwardingAdapter {
 public:
  TimingAdapter(AdapterLibrary& inner, SmartBattery& battery)
      : ForwardingAdapter(inner), battery_(battery) {}

  std::optional<SteadyClock::time_point> firstTransaction;
  std::optional<SteadyClock::time_point> closed;
  // When the pass's latest reply was fetched, as the outcome was handled.
  std::optional<SteadyClock::time_point> lastReply;
  std::chrono::microseconds busTime{0};
  int transactions = 0;

  void NewPass() {
    firstTransaction.reset();
    closed.reset();
    lastReply.reset();
    busTime = {};
    transactions = 0;
  }

  std::int32_t I2CClose() override {
    if (firstTransaction && !closed) closed = SteadyClock::now();
    return ForwardingAdapter::I2CClose();
  }
  std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data, int length,
                             int receiveLength, int stop) override {
    if (!firstTransaction) firstTransaction = SteadyClock::now();
    const auto sent = battery_.Read(data[0], std::chrono::microseconds(0));
    const int received = receiveLength != 0 ? receiveLength : 1 + (sent ? (*sent)[0] : 0);
    busTime += smbus_timing::ReadTime(received);
    ++transactions;
    return ForwardingAdapter::I2CMasterTxRx(address, data, length, receiveLength, stop);
  }
  std::int32_t I2CGetMasterRxMsg(int capacity, std::uint8_t* buffer, int& length) override {
    if (firstTransaction && !closed) lastReply = SteadyClock::now();
    return ForwardingAdapter::I2CGetMasterRxMsg(capacity, buffer, length);
  }

 private:
  SmartBattery& battery_;
};
