#pragma once

#include <functional>
#include <memory>

#include "AdapterLibrary.h"
#include "ComPortProber.h"

// What the program needs from the machine it runs on: the adapter's library
// and the serial ports. The main window receives one bundle at construction.
struct PlatformBundle {
  AdapterLibrary& adapter;
  ComPortProber& prober;
  // The emulated rig: nothing read through this bundle comes from a real pack,
  // and the window says so in its title.
  bool emulated = false;
};

// Which bundle a person asked for on the command line, and how to use it.
struct PlatformOptions {
  bool emulated = false;  // the emulated rig instead of real adapters
  bool allBuses = false;  // list every bus, not only USB adapters
  bool pec = false;       // Packet Error Checking on every transaction
  bool verbose = false;   // every status text and row outcome logged
};

// A bundle together with whatever keeps it alive.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual PlatformBundle Bundle() = 0;
};

using PlatformMaker = std::function<std::unique_ptr<Platform>(const PlatformOptions&)>;
