#pragma once

#include "i2cdev/DeviceCalls.h"
#include "i2cdev/I2cBusDirectory.h"
#include "i2cdev/I2cDevAdapter.h"
#include "i2cdev/I2cDevBusProbe.h"
#include "i2cdev/I2cDevPorts.h"
#include "link/adapter/PlatformBundle.h"

// Real adapters: the library, the port list and the probe over the machine's
// own /sys and /dev. Destroying it stops the library's worker first.
class I2cDevBundle {
 public:
  explicit I2cDevBundle(const I2cDevOptions& options)
      : adapter_(calls_, directory_, options),
        ports_(calls_, directory_, options),
        probe_(calls_, directory_, options) {}

  PlatformBundle Bundle() { return {adapter_, ports_, probe_}; }

 private:
  SystemDeviceCalls calls_;
  I2cBusDirectory directory_;
  I2cDevAdapter adapter_;
  I2cDevPorts ports_;
  I2cDevBusProbe probe_;
};
