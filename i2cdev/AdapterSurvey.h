#pragma once

#include <optional>
#include <string>

#include "i2cdev/DeviceCalls.h"
#include "i2cdev/I2cBusDirectory.h"
#include "i2cdev/I2cDevAdapter.h"

// What the port list and `pelmor probe` both say about one bus: whether the
// list offers it and, if not, why and what to do; and what its driver can do.
struct BusSurvey {
  std::string leftOut;                         // empty when the list offers the bus
  std::optional<unsigned long> functionality;  // I2C_FUNCS, when it could be asked
};

// Opens the bus's node to ask it, and closes it again. A bus not attached
// through USB is left out, unopened, unless every bus is wanted.
BusSurvey SurveyBus(DeviceCalls& calls, const I2cBusDirectory& directory, const I2cBus& bus,
                    I2cDevOptions options);

// Why a node could not be opened (error as in errno), and what to do.
std::string OpenFailureText(int error, const std::string& node);
