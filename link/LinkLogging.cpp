#include "link/LinkLogging.h"

Q_LOGGING_CATEGORY(lcLink, "pelmor.link", QtInfoMsg)
