#pragma once

#include "DeviceCalls.h"
#include "I2cBusDirectory.h"
#include "I2cDevAdapter.h"
#include "I2cDevBusProbe.h"
#include "I2cDevPorts.h"
#include "PlatformBundle.h"

// Real adapters: the library, the port list and the probe over the machine's
// own /sys and /dev. Destroying it stops the library's worker first.
class I2cDevBundle : public Platform {
 public:
  explicit I2cDevBundle(I2cDevOptions options)
      : adapter_(calls_, directory_, options),
        ports_(calls_, directory_, options),
        probe_(calls_, directory_, options) {}

  PlatformBundle Bundle() override { return {adapter_, ports_, probe_}; }

 private:
  SystemDeviceCalls calls_;
  I2cBusDirectory directory_;
  I2cDevAdapter adapter_;
  I2cDevPorts ports_;
  I2cDevBusProbe probe_;
};
