#include "I2cDevLogging.h"

Q_LOGGING_CATEGORY(lcI2cDev, "pelmor.i2cdev", QtInfoMsg)
