#pragma once

#include "AdapterLibrary.h"
#include "ComPortProber.h"

// What the program needs from the machine it runs on: the adapter's library
// and the serial ports. The main window receives one bundle at construction.
struct PlatformBundle {
  AdapterLibrary& adapter;
  ComPortProber& prober;
};
