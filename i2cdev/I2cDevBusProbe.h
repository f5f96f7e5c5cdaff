#pragma once

#include <string>

#include "i2cdev/DeviceCalls.h"
#include "i2cdev/I2cBusDirectory.h"
#include "i2cdev/I2cDevAdapter.h"
#include "link/adapter/BusProbe.h"

// The probe over Linux i2c-dev: the adapters sysfs shows, with the port
// list's reasons for leaving one out; the driver bound at an address (sysfs)
// and how to unbind it; and a touch of an address by SMBus Receive Byte, or a
// plain one-byte I2C read where the driver has no Receive Byte; and the bus
// clock as the adapter's driver sets or shows it. Calls run on
// the caller's thread, one at a time.
class I2cDevBusProbe : public BusProbe {
 public:
  I2cDevBusProbe(DeviceCalls& calls, const I2cBusDirectory& directory, I2cDevOptions options);
  ~I2cDevBusProbe() override;
  I2cDevBusProbe(const I2cDevBusProbe&) = delete;
  I2cDevBusProbe& operator=(const I2cDevBusProbe&) = delete;

  std::vector<ProbedAdapter> Adapters() override;
  BusClock ClockOf(int port) override;
  std::string Open(int port) override;
  void Close() override;
  std::optional<AddressHolder> HolderOf(std::uint8_t address) override;
  ProbeAnswer Touch(std::uint8_t address) override;

 private:
  DeviceCalls& calls_;
  const I2cBusDirectory& directory_;
  const I2cDevOptions options_;
  int fd_ = -1;
  int bus_ = -1;
  std::string name_;
  unsigned long functionality_ = 0;
};
