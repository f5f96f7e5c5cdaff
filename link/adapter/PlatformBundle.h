#pragma once

#include "link/adapter/AdapterLibrary.h"
#include "link/adapter/BusProbe.h"
#include "link/adapter/ComPortProber.h"

// What the program needs from the machine it runs on: the adapter's library,
// the serial ports, and the bus as `pelmor probe` looks at it. The main window
// receives one bundle at construction.
struct PlatformBundle {
  AdapterLibrary& adapter;
  ComPortProber& prober;
  BusProbe& probe;
  // The emulated rig: nothing read through this bundle comes from a real pack,
  // and the window says so in its title.
  bool emulated = false;
};
