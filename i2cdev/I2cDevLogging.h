#pragma once

#include <QLoggingCategory>

// Real adapters: why one cannot be used, went away, or refuses an address.
Q_DECLARE_LOGGING_CATEGORY(lcI2cDev)
