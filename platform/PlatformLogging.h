#pragma once

#include <QLoggingCategory>

// What the platform layer says about the machine's own services (timers).
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
