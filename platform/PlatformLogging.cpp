#include "PlatformLogging.h"

Q_LOGGING_CATEGORY(lcPlatform, "pelmor.platform", QtInfoMsg)
