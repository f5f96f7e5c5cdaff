#pragma once

#include "i2cdev/DeviceCalls.h"
#include "i2cdev/I2cBusDirectory.h"
#include "link/adapter/BusProbe.h"

// The bus clock of a USB bridge, as its kernel driver (the one bound to the
// adapter's parent device) sets or shows it:
// - hid-cp2112 leaves the chip's own SMBus configuration as it finds it,
//   changing only the retry count, and shows it nowhere: it is read from the
//   chip through its hidraw node (feature report 0x06), which needs the
//   rights to open that node;
// - hid-ft260 shows and sets it in its attribute clock (kHz);
// - hid-mcp2221 sets 400 kHz when the adapter is plugged in and offers no
//   setting for it.
// Any other driver does not tell it.
BusClock ReadBusClock(DeviceCalls& calls, const I2cBusDirectory& directory, const I2cBus& bus);
