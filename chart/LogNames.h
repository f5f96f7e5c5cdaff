#pragma once

#include <QStringList>

// Names that tell logs apart where several are drawn together: each file's
// name, with as many of the folders above it as it takes to differ from
// another log of the same name, and " (2)", " (3)" after the same file given
// again.
QStringList LogNames(const QStringList& paths);
