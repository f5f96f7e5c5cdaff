#pragma once

#include <cstdint>
#include <optional>

#include "cli/ProbeFacts.h"
#include "link/adapter/AdapterLibrary.h"
#include "link/adapter/BusProbe.h"

// Runs the probe's steps in order and gathers what each finds, judging
// nothing: the adapter and why it is or is not listed; its functions and its
// bus clock; a kernel driver at the battery's address; a read-only sweep of
// 0x08 to 0x77; and the battery's SpecificationInfo, ManufacturerName, DeviceName and
// Voltage, read twice through the scan engine, as `pelmor read` reads them.
// Nothing is ever written to a device. Needs a running QCoreApplication.
ProbeFacts GatherProbeFacts(BusProbe& probe, AdapterLibrary& adapter, std::optional<int> port,
                            std::uint8_t address);
