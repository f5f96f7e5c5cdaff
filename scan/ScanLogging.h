#pragma once

#include <QLoggingCategory>

// The scan: each pass, and what each of its rows came to.
Q_DECLARE_LOGGING_CATEGORY(lcScan)
