#pragma once

#include "platform/Platform.h"

// `pelmor probe`: looks at the adapter and the bus, read-only, and says why a
// battery does or does not answer. Exit status (probe_exit in
// ProbeJudgement.h): 0 a Smart Battery answered sensibly; 1 it did not; 2 a
// usage error; 3 no adapter to probe.
bool IsProbeCommand(int argc, char** argv);

int RunProbeCommand(int& argc, char** argv, const PlatformMaker& makePlatform);
