#include "i2cdev/KernelErrors.h"

#include <cerrno>

namespace {

struct ErrorRule {
  int error;
  const char* adapterPrefix;  // nullptr: every adapter
  AdapterEvent event;
};

// The first rule that matches decides; an error no rule names is a bus error.
constexpr ErrorRule kRules[] = {
    // hid-cp2112 reports a missing acknowledge and a bus time-out alike as
    // ETIMEDOUT; a missing acknowledge is by far the likelier of the two.
    {ETIMEDOUT, "CP2112", AdapterEvent::SlaveNack},
    // hid-ft260 reports every failed transfer as EIO, whatever the chip's
    // status said (address or data not acknowledged, arbitration lost).
    {EIO, "FT260", AdapterEvent::SlaveNack},
    // No device answered its address (ENXIO: hid-mcp2221 and most drivers;
    // ENODEV: i2c-stub and some SMBus hosts).
    {ENXIO, nullptr, AdapterEvent::SlaveNack},
    {EREMOTEIO, nullptr, AdapterEvent::SlaveNack},
    {ENODEV, nullptr, AdapterEvent::SlaveNack},
    {ETIMEDOUT, nullptr, AdapterEvent::BusTimeout},
    {EAGAIN, nullptr, AdapterEvent::ArbitrationLoss},
    // Bus faults, a bus that stayed busy (another master, or a line held low:
    // a held address is refused before any transfer), a malformed block
    // count, and a bad Packet Error Checking byte.
    {EBUSY, nullptr, AdapterEvent::BusError},
    {EIO, nullptr, AdapterEvent::BusError},
    {EPROTO, nullptr, AdapterEvent::BusError},
    {EBADMSG, nullptr, AdapterEvent::BusError},
    {EOVERFLOW, nullptr, AdapterEvent::BusError},
};

bool StartsWith(std::string_view text, const char* prefix) {
  return text.substr(0, std::string_view(prefix).size()) == prefix;
}

}  // namespace

// hid-ft260 waits 5 s for the data of a read whatever the chip's status says;
// a refused address sends none.
bool SilentReadTimesOut(std::string_view adapterName) {
  return StartsWith(adapterName, "FT260");
}

AdapterEvent EventForError(int error, std::string_view adapterName) {
  for (const ErrorRule& rule : kRules) {
    if (rule.error != error) continue;
    if (rule.adapterPrefix != nullptr && !StartsWith(adapterName, rule.adapterPrefix)) continue;
    return rule.event;
  }
  return AdapterEvent::BusError;
}
