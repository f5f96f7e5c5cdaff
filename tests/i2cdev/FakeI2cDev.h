#pragma once

#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdlib.h>

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "i2cdev/DeviceCalls.h"

// A small stand-in for the kernel's i2c-dev: device nodes with an adapter
// each, chips on their buses, and every call able to fail with any errno.
class FakeI2cDev : public DeviceCalls {
 public:
  // Which call (or which ioctl) a failure is injected into.
  enum class Call { Open, Funcs, SetSlave, Pec, Smbus, Rdwr, Close };

  struct Chip {
    std::map<std::uint8_t, std::uint16_t> words;
    std::map<std::uint8_t, std::vector<std::uint8_t>> blocks;  // data bytes, without the count
  };
  struct Node {
    unsigned long functionality = 0;
    std::map<std::uint8_t, Chip> chips;  // by 7-bit address
    bool present = true;
    int maxReadLength = 1000;  // a longer plain I2C read is refused (EOPNOTSUPP)
    int silentAddressError = ENXIO;
    // What a call on a descriptor still open fails with once the adapter is
    // unplugged: ENODEV, or the time-out of a driver that was waiting for
    // the adapter's answer. I2C_FUNCS still answers: the kernel keeps the
    // adapter until its last descriptor closes.
    int unpluggedError = ENODEV;
    bool corruptPec = false;
    // A plain I2C transfer stops after this many of its messages.
    int messagesTransferred = 2;
  };

  void AddNode(const std::string& path, Node node) {
    std::lock_guard lock(mutex_);
    nodes_[path] = std::move(node);
  }
  void AddNode(const std::string& path, unsigned long functionality) {
    Node node;
    node.functionality = functionality;
    AddNode(path, std::move(node));
  }
  void SetChip(const std::string& path, std::uint8_t address, Chip chip) {
    std::lock_guard lock(mutex_);
    nodes_[path].chips[address] = std::move(chip);
  }
  // The adapter goes away: its node cannot be opened, and calls on descriptors
  // already open fail (see Node::unpluggedError).
  void Unplug(const std::string& path) {
    std::lock_guard lock(mutex_);
    nodes_[path].present = false;
  }
  void SetCorruptPec(const std::string& path, bool corrupt) {
    std::lock_guard lock(mutex_);
    nodes_[path].corruptPec = corrupt;
  }
  // The next `count` calls of this kind fail with the error.
  void Fail(Call call, int error, int count = 1) {
    std::lock_guard lock(mutex_);
    failures_[call] = {error, count};
  }
  // The next ioctl of this kind (by default an SMBus transfer) waits inside
  // the "kernel" until released.
  void HoldNext(Call call = Call::Smbus) {
    std::lock_guard lock(mutex_);
    hold_ = call;
  }
  void WaitUntilHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return holding_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

  int Calls(Call call) const {
    std::lock_guard lock(mutex_);
    const auto found = counts_.find(call);
    return found == counts_.end() ? 0 : found->second;
  }
  int OpenDescriptors() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(fds_.size());
  }
  bool PecOn(const std::string& path) const {
    std::lock_guard lock(mutex_);
    for (const auto& [fd, open] : fds_) {
      if (open.path == path && open.pec) return true;
    }
    return false;
  }
  std::uint16_t Word(const std::string& path, std::uint8_t address, std::uint8_t command) const {
    std::lock_guard lock(mutex_);
    return nodes_.at(path).chips.at(address).words.at(command);
  }

  int Open(const std::string& path) override {
    std::lock_guard lock(mutex_);
    if (const int error = Injected(Call::Open)) return -error;
    const auto node = nodes_.find(path);
    if (node == nodes_.end() || !node->second.present) return -ENOENT;
    const int fd = nextFd_++;
    fds_[fd] = {path};
    return fd;
  }

  int Close(int fd) override {
    std::lock_guard lock(mutex_);
    ++counts_[Call::Close];
    if (fds_.erase(fd) == 0) return -EBADF;
    if (const int error = Injected(Call::Close)) return -error;
    return 0;
  }

  int Ioctl(int fd, unsigned long request, void* argument) override {
    std::unique_lock lock(mutex_);
    const Call call = CallOf(request, argument);
    if (const int error = Injected(call)) return -error;
    const auto open = fds_.find(fd);
    if (open == fds_.end()) return -EBADF;
    const std::string path = open->second.path;
    const auto gone = [&] { return !nodes_[path].present && call != Call::Funcs; };
    if (gone()) return -nodes_[path].unpluggedError;
    if (hold_ == call) {
      hold_.reset();
      holding_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
      holding_ = released_ = false;
      if (fds_.find(fd) == fds_.end()) return -EBADF;  // the descriptor was closed meanwhile
      if (gone()) return -nodes_[path].unpluggedError;
    }
    switch (call) {
      case Call::Funcs:
        *static_cast<unsigned long*>(argument) = nodes_[path].functionality;
        return 0;
      case Call::SetSlave:
        fds_[fd].address = static_cast<int>(reinterpret_cast<unsigned long>(argument));
        return 0;
      case Call::Pec:
        fds_[fd].pec = argument != nullptr;
        return 0;
      default:
        break;
    }
    Node& node = nodes_[path];
    if (call == Call::Rdwr)
      return PlainTransfer(node, *static_cast<i2c_rdwr_ioctl_data*>(argument));
    return Smbus(node, fds_[fd], *static_cast<i2c_smbus_ioctl_data*>(argument));
  }

  // CRC-8 of SMBus Packet Error Checking.
  static std::uint8_t Pec(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t crc = 0;
    for (std::uint8_t byte : bytes) {
      crc ^= byte;
      for (int bit = 0; bit < 8; ++bit) {
        crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
      }
    }
    return crc;
  }

 private:
  struct OpenFile {
    std::string path;
    int address = -1;
    bool pec = false;
  };

  Call CallOf(unsigned long request, void*) {
    Call call = Call::Smbus;
    if (request == I2C_FUNCS) call = Call::Funcs;
    if (request == I2C_SLAVE) call = Call::SetSlave;
    if (request == I2C_PEC) call = Call::Pec;
    if (request == I2C_RDWR) call = Call::Rdwr;
    ++counts_[call];
    return call;
  }

  int Injected(Call call) {
    if (call == Call::Open) ++counts_[Call::Open];
    const auto found = failures_.find(call);
    if (found == failures_.end()) return 0;
    const int error = found->second.first;
    if (--found->second.second <= 0) failures_.erase(found);
    return error;
  }

  int PlainTransfer(Node& node, const i2c_rdwr_ioctl_data& request) {
    // A lone one-byte read: a chip answers with its current byte.
    if (request.nmsgs == 1 && request.msgs[0].len == 1 && (request.msgs[0].flags & I2C_M_RD)) {
      if (!node.chips.contains(static_cast<std::uint8_t>(request.msgs[0].addr))) {
        return -node.silentAddressError;
      }
      request.msgs[0].buf[0] = 0;
      return 1;
    }
    if (request.nmsgs != 2 || request.msgs[0].len != 1 || !(request.msgs[1].flags & I2C_M_RD)) {
      return -EINVAL;
    }
    const i2c_msg& read = request.msgs[1];
    if (read.len > node.maxReadLength) return -EOPNOTSUPP;
    const auto chip = node.chips.find(static_cast<std::uint8_t>(read.addr));
    if (chip == node.chips.end()) return -node.silentAddressError;
    const std::uint8_t command = request.msgs[0].buf[0];
    const auto block = chip->second.blocks.find(command);
    if (block == chip->second.blocks.end()) return -EIO;
    const auto address = static_cast<std::uint8_t>(read.addr << 1);
    std::vector<std::uint8_t> sent{static_cast<std::uint8_t>(block->second.size())};
    sent.insert(sent.end(), block->second.begin(), block->second.end());
    std::vector<std::uint8_t> checked{address, command, static_cast<std::uint8_t>(address | 1)};
    checked.insert(checked.end(), sent.begin(), sent.end());
    sent.push_back(static_cast<std::uint8_t>(Pec(checked) ^ (node.corruptPec ? 0x5A : 0)));
    for (int i = 0; i < read.len; ++i)
      read.buf[i] = i < static_cast<int>(sent.size()) ? sent[i] : 0xFF;
    return node.messagesTransferred;
  }

  int Smbus(Node& node, const OpenFile& file, const i2c_smbus_ioctl_data& request) {
    if (node.corruptPec && file.pec) return -EBADMSG;
    const auto chip = node.chips.find(static_cast<std::uint8_t>(file.address));
    if (chip == node.chips.end()) return -node.silentAddressError;
    Chip& found = chip->second;
    i2c_smbus_data& data = *request.data;
    if (request.size == I2C_SMBUS_BYTE && request.read_write == I2C_SMBUS_READ) {
      data.byte = 0;
      return 0;
    }
    if (request.size == I2C_SMBUS_WORD_DATA) {
      if (request.read_write == I2C_SMBUS_WRITE) {
        found.words[request.command] = data.word;
      } else {
        data.word = found.words[request.command];
      }
      return 0;
    }
    const auto block = found.blocks.find(request.command);
    if (block == found.blocks.end()) return -EOPNOTSUPP;
    const std::vector<std::uint8_t>& bytes = block->second;
    if (request.size == I2C_SMBUS_BLOCK_DATA &&
        (node.functionality & I2C_FUNC_SMBUS_READ_BLOCK_DATA)) {
      data.block[0] = static_cast<std::uint8_t>(bytes.size());
      std::copy(bytes.begin(), bytes.end(), data.block + 1);
      return 0;
    }
    if (request.size == I2C_SMBUS_I2C_BLOCK_DATA &&
        (node.functionality & I2C_FUNC_SMBUS_READ_I2C_BLOCK)) {
      const int length = data.block[0];
      std::vector<std::uint8_t> sent{static_cast<std::uint8_t>(bytes.size())};
      sent.insert(sent.end(), bytes.begin(), bytes.end());
      for (int i = 0; i < length; ++i)
        data.block[1 + i] = i < static_cast<int>(sent.size()) ? sent[i] : 0xFF;
      return 0;
    }
    return -EOPNOTSUPP;
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, Node> nodes_;
  std::map<int, OpenFile> fds_;
  int nextFd_ = 3;
  std::map<Call, std::pair<int, int>> failures_;
  std::map<Call, int> counts_;
  std::optional<Call> hold_;
  bool holding_ = false;
  bool released_ = false;
};

// A sysfs tree and a /dev folder in a temporary folder, removed at the end.
class FakeSysfs {
 public:
  FakeSysfs() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelmor-sysfs-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    std::filesystem::create_directories(root_ / "sys/bus/i2c/devices");
    std::filesystem::create_directories(root_ / "dev");
  }
  ~FakeSysfs() { std::filesystem::remove_all(root_); }
  FakeSysfs(const FakeSysfs&) = delete;
  FakeSysfs& operator=(const FakeSysfs&) = delete;

  // An adapter at this device path below /sys/devices, linked as i2c-N.
  void AddBus(int number, const std::string& parentPath, const std::string& name) {
    const auto device = root_ / "sys/devices" / parentPath / ("i2c-" + std::to_string(number));
    std::filesystem::create_directories(device);
    std::ofstream(device / "name") << name << "\n";
    std::filesystem::create_symlink(
        device, root_ / "sys/bus/i2c/devices" / ("i2c-" + std::to_string(number)));
  }
  // The adapter is gone from sysfs, as the kernel lets it go on an unplug.
  void RemoveBus(int number) {
    const auto link = root_ / "sys/bus/i2c/devices" / ("i2c-" + std::to_string(number));
    std::filesystem::remove_all(std::filesystem::read_symlink(link));
    std::filesystem::remove(link);
  }
  void AddUsbBus(int number, const std::string& name) {
    AddBus(number, "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:10C4:EA90.0001", name);
  }
  void AddMotherboardBus(int number, const std::string& name) {
    AddBus(number, "pci0000:00/0000:00:1f.4", name);
  }
  // A client device at a 7-bit address of bus N, bound to a kernel driver, as
  // new_device and the driver's probe leave it.
  void AddBoundClient(int bus, std::uint8_t address, const std::string& driver) {
    char name[16];
    std::snprintf(name, sizeof name, "%d-%04x", bus, address);
    const auto busDevice = std::filesystem::read_symlink(root_ / "sys/bus/i2c/devices" /
                                                         ("i2c-" + std::to_string(bus)));
    const auto client = busDevice / name;
    const auto driverFolder = root_ / "sys/bus/i2c/drivers" / driver;
    std::filesystem::create_directories(client);
    std::filesystem::create_directories(driverFolder);
    std::filesystem::create_directory_symlink(driverFolder, client / "driver");
    std::filesystem::create_directory_symlink(client, root_ / "sys/bus/i2c/devices" / name);
  }

  // The folder of the device adapter N belongs to (its driver's attributes
  // and hidraw node are there), the driver bound to it.
  std::filesystem::path ParentOf(int number) const {
    return std::filesystem::read_symlink(root_ / "sys/bus/i2c/devices" /
                                         ("i2c-" + std::to_string(number)))
        .parent_path();
  }
  void BindParent(int number, const std::string& driver) {
    const auto driverFolder = root_ / "sys/bus/hid/drivers" / driver;
    std::filesystem::create_directories(driverFolder);
    std::filesystem::create_directory_symlink(driverFolder, ParentOf(number) / "driver");
  }

  std::filesystem::path Sys() const { return root_ / "sys"; }
  std::filesystem::path Dev() const { return root_ / "dev"; }
  std::string Node(int number) const {
    return (Dev() / ("i2c-" + std::to_string(number))).string();
  }

 private:
  std::filesystem::path root_;
};
