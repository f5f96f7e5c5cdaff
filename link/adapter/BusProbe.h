#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What `pelmor probe` needs of the machine beyond the adapter library's
// operations: the adapters there are and why the port list leaves one out,
// who holds an address, and single read-only transfers at any address, each
// answered before the call returns, with no retry and no event. The real
// adapters and the emulated rig each implement it.

// What an adapter's driver offers (I2C_FUNCS on Linux).
struct AdapterFunctions {
  bool receiveByte = false;  // a read that names no register: the probe's harmless touch
  bool readWord = false;
  bool writeWord = false;
  bool pec = false;
  std::string blockRead;  // how a counted block is read; empty when it cannot be
  std::string unusable;   // why the adapter library cannot use it; empty when it can
};

// An adapter as the port list sees it.
struct ProbedAdapter {
  int port = 0;            // the port list's number
  std::string device;      // "/dev/i2c-7", "COM1"
  std::string name;        // as its driver names it
  std::string attachment;  // "USB", "not USB: a computer's own bus", "emulated rig"
  std::string leftOut;     // why the port list leaves it out, and what to do; empty when listed
  std::optional<AdapterFunctions> functions;  // none when they could not be asked
  // What its driver reports alike with a missing acknowledge, and with a
  // transfer that broke off, in words: the faults the program cannot tell
  // apart there. Empty when the driver names the one fault.
  std::string nackAlike = {};
  std::string brokenAlike = {};
  // Its driver gives up on a read while a pack still holds the clock within
  // what a Smart Battery may (25 ms), and reports a missing acknowledge.
  bool givesUpOnAHeldClock = false;
};

// The clock on an adapter's bus, as far as its driver lets it be known.
struct BusClock {
  std::optional<int> hertz;  // none when it cannot be known
  std::string source;        // where the figure comes from, or why there is none
  // What the person can do about it: a command that sets SMBus's 100 kHz, or
  // why none can; one a line.
  std::vector<std::string> remedies;
};

// How one touch of an address ended.
enum class ProbeAnswer {
  Acknowledged,
  NotAcknowledged,
  TimedOut,  // the bus hung: a line held low, no pull-ups
  Held,      // a kernel driver holds the address
  BusError,  // the transfer broke off: noise, arbitration lost, a bad reply
};

// A kernel driver bound at an address, and how a person frees the address.
struct AddressHolder {
  std::string driver;
  std::vector<std::string> release;  // commands, one a line
};

class BusProbe {
 public:
  virtual ~BusProbe() = default;

  // Every adapter the machine shows, listed or not, in port order.
  virtual std::vector<ProbedAdapter> Adapters() = 0;
  // The clock of the bus behind the port, needing no open adapter.
  virtual BusClock ClockOf(int port) = 0;
  // Opens the adapter behind the port for probing: empty, or why it cannot be.
  virtual std::string Open(int port) = 0;
  virtual void Close() = 0;
  // The driver bound at this 7-bit address on the open adapter's bus.
  virtual std::optional<AddressHolder> HolderOf(std::uint8_t address) = 0;
  // One transfer that cannot change a device's state (a read that names no
  // register, never a Quick Write) at this 7-bit address on the open adapter.
  virtual ProbeAnswer Touch(std::uint8_t address) = 0;
};
