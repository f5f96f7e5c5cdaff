#include "EmulatedRig.h"

#include <stdexcept>

EmulatedRig::EmulatedRig(std::unique_ptr<RigScheduler> scheduler)
    : scheduler_(std::move(scheduler)),
      deterministic_(dynamic_cast<DeterministicScheduler*>(scheduler_.get())),
      adapter_(*scheduler_, ports_, battery_) {}

EmulatedRig::~EmulatedRig() {
  scheduler_.reset();
}

std::unique_ptr<EmulatedRig> EmulatedRig::Threaded() {
  return std::unique_ptr<EmulatedRig>(new EmulatedRig(std::make_unique<ThreadedScheduler>()));
}

std::unique_ptr<EmulatedRig> EmulatedRig::Deterministic() {
  return std::unique_ptr<EmulatedRig>(new EmulatedRig(std::make_unique<DeterministicScheduler>()));
}

void EmulatedRig::Advance(RigScheduler::Duration by) {
  if (deterministic_ == nullptr) throw std::logic_error("only a deterministic rig is advanced");
  deterministic_->Advance(by);
}
