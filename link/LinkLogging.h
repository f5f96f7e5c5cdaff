#pragma once

#include <QLoggingCategory>

// The adapter link: every status text as the status line shows it.
Q_DECLARE_LOGGING_CATEGORY(lcLink)
