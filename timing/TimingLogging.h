#pragma once

#include <QLoggingCategory>

// What the timers say when the kernel refuses them.
Q_DECLARE_LOGGING_CATEGORY(lcTiming)
