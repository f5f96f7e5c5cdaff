#include "emulator/EmulatedRig.h"

#include <stdexcept>

EmulatedRig::EmulatedRig(std::unique_ptr<RigScheduler> scheduler, EmulatedFault fault,
                         EmulatedPack pack)
    : scheduler_(std::move(scheduler)),
      deterministic_(dynamic_cast<DeterministicScheduler*>(scheduler_.get())),
      ports_(EmulatedBus::BatteryAddressByteWith(fault)),
      battery_(pack),
      bus_(fault),
      adapter_(*scheduler_, ports_, battery_, bus_),
      probe_(ports_, bus_) {}

EmulatedRig::~EmulatedRig() {
  scheduler_.reset();
}

std::unique_ptr<EmulatedRig> EmulatedRig::Threaded(EmulatedFault fault, EmulatedPack pack) {
  return std::unique_ptr<EmulatedRig>(
      new EmulatedRig(std::make_unique<ThreadedScheduler>(), fault, pack));
}

std::unique_ptr<EmulatedRig> EmulatedRig::Deterministic(EmulatedFault fault, EmulatedPack pack) {
  return std::unique_ptr<EmulatedRig>(
      new EmulatedRig(std::make_unique<DeterministicScheduler>(), fault, pack));
}

void EmulatedRig::Advance(RigScheduler::Duration by) {
  if (deterministic_ == nullptr) throw std::logic_error("only a deterministic rig is advanced");
  deterministic_->Advance(by);
}
