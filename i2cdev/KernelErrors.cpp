#include "i2cdev/KernelErrors.h"

#include <cerrno>
#include <system_error>

namespace {

struct ErrorRule {
  int error;
  const char* adapterPrefix;  // nullptr: every adapter
  AdapterEvent event;
  // The faults the driver folds into this error, when it folds several.
  const char* alike = nullptr;
};

// The first rule that matches decides; an error no rule names is a bus error.
// What each USB bridge's driver (Debian 12's) makes of its chip's answers is
// in tests/kernel/README.md.
constexpr ErrorRule kRules[] = {
    // hid-cp2112 turns the chip's "time-out, address not acknowledged" and
    // "time-out, bus not free" into ETIMEDOUT, and so a transfer still busy
    // after its ten status requests; a missing acknowledge is by far the
    // likeliest of them.
    {ETIMEDOUT, "CP2112", AdapterEvent::SlaveNack,
     "an address that does not acknowledge, a bus held low, and a pack that holds the clock "
     "longer than the driver asks for the transfer's end (ten status requests: the driver gave "
     "up while the pack held the clock)"},
    {EIO, "CP2112", AdapterEvent::BusError,
     "a lost arbitration, a byte not acknowledged after the address, and a read cut short"},
    // hid-ft260 turns every status with the error bit into EIO, and a write
    // that finds the controller busy a hundred times.
    {EIO, "FT260", AdapterEvent::SlaveNack,
     "an address or a byte that is not acknowledged, a lost arbitration, and a bus held low "
     "(on a write)"},
    // hid-mcp2221 turns a failed I2C Get Data into EIO after six tries: the
    // chip answers so after a read whose address was refused, while the data
    // is not yet read, and after a read that could not start.
    {EIO, "MCP2221", AdapterEvent::SlaveNack,
     "a read whose address is not acknowledged, a pack that holds the clock longer than the "
     "driver waits for the data (six requests, a few milliseconds: the driver gave up while the "
     "pack held the clock), a byte not acknowledged after the address, a bus held low during a "
     "read, "
     "and a transfer that broke off"},
    // No device answered its address (ENXIO: hid-mcp2221 and most drivers;
    // ENODEV: i2c-stub and some SMBus hosts).
    {ENXIO, nullptr, AdapterEvent::SlaveNack},
    {EREMOTEIO, nullptr, AdapterEvent::SlaveNack},
    {ENODEV, nullptr, AdapterEvent::SlaveNack},
    // A bus that hung: hid-ft260's read that the chip never answered (5 s),
    // hid-mcp2221's engine time-outs.
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

const ErrorRule* RuleFor(int error, std::string_view adapterName) {
  for (const ErrorRule& rule : kRules) {
    if (rule.error != error) continue;
    if (rule.adapterPrefix != nullptr && !StartsWith(adapterName, rule.adapterPrefix)) continue;
    return &rule;
  }
  return nullptr;
}

}  // namespace

std::string ErrorText(int error) {
  return std::error_code(error, std::generic_category()).message();
}

AdapterEvent EventForError(int error, std::string_view adapterName) {
  const ErrorRule* rule = RuleFor(error, adapterName);
  return rule != nullptr ? rule->event : AdapterEvent::BusError;
}

std::string FaultsAlike(int error, std::string_view adapterName) {
  const ErrorRule* rule = RuleFor(error, adapterName);
  return rule != nullptr && rule->alike != nullptr ? rule->alike : "";
}

// hid-cp2112 asks for a transfer's end ten times, hid-mcp2221 for the read
// data six: a few to about twenty milliseconds in all.
bool GivesUpOnAHeldClock(std::string_view adapterName) {
  return StartsWith(adapterName, "CP2112") || StartsWith(adapterName, "MCP2221");
}
