#pragma once

#include <functional>
#include <memory>

#include "emulator/EmulatedFault.h"
#include "emulator/EmulatedPack.h"
#include "link/adapter/PlatformBundle.h"

// Which bundle a person asked for on the command line, and how to use it.
struct PlatformOptions {
  bool emulated = false;                               // the emulated rig instead of real adapters
  bool allBuses = false;                               // list every bus, not only USB adapters
  bool pec = false;                                    // Packet Error Checking on every transaction
  bool verbose = false;                                // every status text and row outcome logged
  EmulatedFault emulatedFault = EmulatedFault::None;   // of the emulated rig's bus
  EmulatedPack emulatedPack = EmulatedPack::Standard;  // on the emulated rig's bus
};

// A bundle together with whatever keeps it alive.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual PlatformBundle Bundle() = 0;
};

using PlatformMaker = std::function<std::unique_ptr<Platform>(const PlatformOptions&)>;
