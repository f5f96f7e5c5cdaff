#pragma once

#include <memory>

#include "emulator/DeterministicScheduler.h"
#include "emulator/EmulatedAdapter.h"
#include "emulator/EmulatedBus.h"
#include "emulator/EmulatedBusProbe.h"
#include "emulator/EmulatedSerialPorts.h"
#include "emulator/SmartBattery.h"
#include "emulator/ThreadedScheduler.h"
#include "link/adapter/PlatformBundle.h"

// The whole stand-in for the hardware: serial ports, the adapter with its
// library, and the battery on its bus, sharing one scheduler. Destroying the
// rig stops its thread before anything the thread uses goes away.
class EmulatedRig {
 public:
  // Events come from the rig's own thread at real time, as from a real driver.
  // The bus may carry a fault; the pack on it is one of the emulated packs.
  static std::unique_ptr<EmulatedRig> Threaded(EmulatedFault fault = EmulatedFault::None,
                                               EmulatedPack pack = EmulatedPack::Standard);
  // No thread: time moves and events are reported only when the test advances the clock.
  static std::unique_ptr<EmulatedRig> Deterministic(EmulatedFault fault = EmulatedFault::None,
                                                    EmulatedPack pack = EmulatedPack::Standard);
  ~EmulatedRig();
  EmulatedRig(const EmulatedRig&) = delete;
  EmulatedRig& operator=(const EmulatedRig&) = delete;

  EmulatedSerialPorts& Ports() { return ports_; }
  SmartBattery& Battery() { return battery_; }
  EmulatedAdapter& Adapter() { return adapter_; }
  EmulatedBusProbe& Probe() { return probe_; }
  PlatformBundle Bundle() { return {adapter_, ports_, probe_, true}; }

  RigScheduler::Duration Now() const { return scheduler_->Now(); }

  // Only for a deterministic rig: advances its clock, reporting what falls due.
  void Advance(RigScheduler::Duration by);

 private:
  EmulatedRig(std::unique_ptr<RigScheduler> scheduler, EmulatedFault fault, EmulatedPack pack);

  std::unique_ptr<RigScheduler> scheduler_;
  DeterministicScheduler* deterministic_;
  EmulatedSerialPorts ports_;
  SmartBattery battery_;
  EmulatedBus bus_;
  EmulatedAdapter adapter_;
  EmulatedBusProbe probe_;
};
