#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The port list's numbers and the kernel's buses: port n drives /dev/i2c-(n-1),
// so that /dev/i2c-0 is reachable although the list starts at 1. Port 0 (the
// entry "None", an empty entry, any text that is not a number) has no bus and
// never opens anything; ports above 99 are never listed.
inline constexpr int kFirstI2cPort = 1;
inline constexpr int kLastI2cPort = 99;
std::optional<int> BusForPort(int port);
int PortForBus(int bus);

// One I2C adapter as sysfs describes it.
struct I2cBus {
  int number = 0;            // N of /dev/i2c-N
  std::string name;          // the adapter's name, as its driver gives it
  std::string devicePath;    // where it sits in the device tree, below the sysfs root
  bool usbAttached = false;  // reached through a USB port (a USB host controller is its ancestor)
  // The device the adapter belongs to, its parent in the device tree (a USB
  // bridge's HID device, "0003:10C4:EA90.0001"), and the kernel driver bound
  // to it ("cp2112"; empty when none is).
  std::string parentName;
  std::string parentDriver;
};

// A client device that a kernel driver has bound at a 7-bit address of a bus:
// i2c-dev refuses the address (EBUSY) while the driver holds it.
struct HeldAddress {
  std::uint8_t address = 0;  // 7-bit
  std::string driver;
};

// The command that makes the driver let the address go.
std::string UnbindCommand(int busNumber, const HeldAddress& held);

// What the person reads about a held address: its address byte and 7-bit
// address, the driver, and the command that lets it go.
std::string HeldAddressText(int busNumber, const HeldAddress& held);

// Reads the adapters from sysfs (<root>/bus/i2c/devices/i2c-N) and names their
// device nodes (<dev>/i2c-N). Both roots can be moved, so that tests build a
// fake tree in a temporary folder.
class I2cBusDirectory {
 public:
  explicit I2cBusDirectory(std::filesystem::path sysfsRoot = "/sys",
                           std::filesystem::path deviceRoot = "/dev");

  // The adapter numbered N, if sysfs shows it.
  std::optional<I2cBus> Find(int busNumber) const;
  std::string DeviceNode(int busNumber) const;
  // The first line of a file of the device adapter N belongs to (a driver's
  // attribute), if it can be read.
  std::optional<std::string> ParentAttribute(int busNumber, const std::string& name) const;
  // The hidraw node of the HID device adapter N belongs to, if it has one.
  std::optional<std::string> ParentHidraw(int busNumber) const;
  // The numbers of every adapter sysfs shows, in ascending order.
  std::vector<int> Buses() const;
  // The driver bound to the device at this 7-bit address on bus N (sysfs
  // N-00aa/driver), if one is.
  std::optional<std::string> DriverAt(int busNumber, std::uint8_t address) const;
  // The addresses of bus N that kernel drivers hold, lowest first.
  std::vector<HeldAddress> HeldAddresses(int busNumber) const;

 private:
  std::optional<std::filesystem::path> ParentFolder(int busNumber) const;

  std::filesystem::path sysfsRoot_;
  std::filesystem::path deviceRoot_;
};
