#include "i2cdev/I2cBusDirectory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "link/adapter/BusAddress.h"

namespace fs = std::filesystem;

std::optional<int> BusForPort(int port) {
  if (port < kFirstI2cPort || port > kLastI2cPort) return std::nullopt;
  return port - 1;
}

int PortForBus(int bus) {
  return bus + 1;
}

namespace {

// A USB host controller's root hub appears in the device tree as "usbN"; every
// device plugged in below it has it among its ancestors.
bool IsUsbRootHub(const std::string& component) {
  if (component.size() < 4 || component.compare(0, 3, "usb") != 0) return false;
  for (std::size_t i = 3; i < component.size(); ++i) {
    if (component[i] < '0' || component[i] > '9') return false;
  }
  return true;
}

std::optional<std::string> ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
    line.pop_back();
  }
  return line;
}

std::string FirstLine(const fs::path& file) {
  return ReadFirstLine(file).value_or("");
}

}  // namespace

I2cBusDirectory::I2cBusDirectory(fs::path sysfsRoot, fs::path deviceRoot)
    : sysfsRoot_(std::move(sysfsRoot)), deviceRoot_(std::move(deviceRoot)) {}

std::optional<I2cBus> I2cBusDirectory::Find(int busNumber) const {
  if (busNumber < 0) return std::nullopt;
  std::error_code error;
  const fs::path entry = sysfsRoot_ / "bus/i2c/devices" / ("i2c-" + std::to_string(busNumber));
  const fs::path device = fs::canonical(entry, error);
  if (error) return std::nullopt;
  const fs::path root = fs::canonical(sysfsRoot_, error);
  if (error) return std::nullopt;

  I2cBus bus;
  bus.number = busNumber;
  bus.name = FirstLine(device / "name");
  const fs::path below = device.lexically_relative(root);
  bus.devicePath = "/" + below.generic_string();
  for (const auto& component : below) {
    if (IsUsbRootHub(component.string())) bus.usbAttached = true;
  }
  bus.parentName = device.parent_path().filename().string();
  bus.parentDriver = fs::read_symlink(device.parent_path() / "driver", error).filename().string();
  return bus;
}

std::optional<fs::path> I2cBusDirectory::ParentFolder(int busNumber) const {
  std::error_code error;
  const fs::path device =
      fs::canonical(sysfsRoot_ / "bus/i2c/devices" / ("i2c-" + std::to_string(busNumber)), error);
  if (error) return std::nullopt;
  return device.parent_path();
}

std::optional<std::string> I2cBusDirectory::ParentAttribute(int busNumber,
                                                            const std::string& name) const {
  const std::optional<fs::path> parent = ParentFolder(busNumber);
  if (!parent) return std::nullopt;
  return ReadFirstLine(*parent / name);
}

// hid-core lists the HID device's hidraw node as a folder hidraw/hidrawN.
std::optional<std::string> I2cBusDirectory::ParentHidraw(int busNumber) const {
  const std::optional<fs::path> parent = ParentFolder(busNumber);
  if (!parent) return std::nullopt;
  std::error_code error;
  const fs::directory_iterator nodes(*parent / "hidraw", error);
  if (error || nodes == fs::directory_iterator()) return std::nullopt;
  return (deviceRoot_ / nodes->path().filename()).string();
}

std::string UnbindCommand(int busNumber, const HeldAddress& held) {
  char client[24];
  std::snprintf(client, sizeof client, "%d-%04x", busNumber, held.address);
  return "echo " + std::string(client) + " | sudo tee /sys/bus/i2c/drivers/" + held.driver +
         "/unbind";
}

std::string HeldAddressText(int busNumber, const HeldAddress& held) {
  char text[64];
  std::snprintf(text, sizeof text, "address %02X (7-bit 0x%02x)",
                AddressByteOf(SevenBitAddress{held.address}).value, held.address);
  return std::string(text) + " is held by the kernel driver " + held.driver +
         "; free it with: " + UnbindCommand(busNumber, held);
}

// A client is listed as "N-00aa" (7-bit address aa in hexadecimal) beside the
// adapters, with a "driver" link while a driver holds it.
std::vector<HeldAddress> I2cBusDirectory::HeldAddresses(int busNumber) const {
  std::vector<HeldAddress> held;
  const std::string prefix = std::to_string(busNumber) + "-00";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(sysfsRoot_ / "bus/i2c/devices", error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != prefix.size() + 2 || name.compare(0, prefix.size(), prefix) != 0) continue;
    const unsigned long address = std::strtoul(name.c_str() + prefix.size(), nullptr, 16);
    const fs::path driver = fs::read_symlink(entry.path() / "driver", error);
    if (error || address > 0x7F) {
      error.clear();
      continue;
    }
    held.push_back({static_cast<std::uint8_t>(address), driver.filename().string()});
  }
  std::sort(held.begin(), held.end(),
            [](const HeldAddress& a, const HeldAddress& b) { return a.address < b.address; });
  return held;
}

std::string I2cBusDirectory::DeviceNode(int busNumber) const {
  return (deviceRoot_ / ("i2c-" + std::to_string(busNumber))).string();
}

std::vector<int> I2cBusDirectory::Buses() const {
  std::vector<int> buses;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(sysfsRoot_ / "bus/i2c/devices", error)) {
    const std::string name = entry.path().filename().string();
    int number = 0;
    char rest = 0;
    if (std::sscanf(name.c_str(), "i2c-%d%c", &number, &rest) == 1 && number >= 0) {
      buses.push_back(number);
    }
  }
  std::sort(buses.begin(), buses.end());
  return buses;
}

std::optional<std::string> I2cBusDirectory::DriverAt(int busNumber, std::uint8_t address) const {
  for (const HeldAddress& held : HeldAddresses(busNumber)) {
    if (held.address == address) return held.driver;
  }
  return std::nullopt;
}
