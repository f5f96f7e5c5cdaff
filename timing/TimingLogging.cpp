#include "timing/TimingLogging.h"

Q_LOGGING_CATEGORY(lcTiming, "pelmor.timing", QtInfoMsg)
