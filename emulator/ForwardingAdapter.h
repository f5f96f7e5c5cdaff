#pragma once

#include <utility>

#include "link/adapter/AdapterLibrary.h"

// Hands every call to another library. Tests and benchmarks derive from it to
// watch or alter the few calls they care about.
class ForwardingAdapter : public AdapterLibrary {
 public:
  explicit ForwardingAdapter(AdapterLibrary& inner) : inner_(inner) {}

  std::int32_t I2COpen(const I2COpenParams& params, AdapterEventCallback callback,
                       const char* logFileName) override {
    return inner_.I2COpen(params, std::move(callback), logFileName);
  }
  std::int32_t I2CClose() override { return inner_.I2CClose(); }
  std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                           int stop) override {
    return inner_.I2CMasterTx(address, data, length, stop);
  }
  std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data, int length,
                             int receiveLength, int stop) override {
    return inner_.I2CMasterTxRx(address, data, length, receiveLength, stop);
  }
  std::int32_t I2CGetStatus(I2CStatusRecord& status) override {
    return inner_.I2CGetStatus(status);
  }
  std::int32_t I2CGetMasterRxMsg(int capacity, std::uint8_t* buffer, int& length) override {
    return inner_.I2CGetMasterRxMsg(capacity, buffer, length);
  }
  std::int32_t I2CGetSlaveRxMsg(int capacity, std::uint8_t* buffer) override {
    return inner_.I2CGetSlaveRxMsg(capacity, buffer);
  }
  std::int32_t I2CSlaveTx(const std::uint8_t* data, int length) override {
    return inner_.I2CSlaveTx(data, length);
  }

 private:
  AdapterLibrary& inner_;
};
