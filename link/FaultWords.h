#pragma once

#include <QString>

#include "scan/sequencer/ScanObserver.h"

// The word a fault leaves in the row's data field until the row is read
// again; a refused reply hand-over leaves the field as it was (empty text).
QString FaultWord(RowFault fault);
