#include "i2cdev/I2cDevAdapter.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "i2cdev/KernelErrors.h"
#include "link/adapter/BusAddress.h"

namespace {

// A counted block holds at most 32 data bytes; the plain I2C read fetches the
// count, 32 bytes and a PEC byte.
constexpr int kBlockMax = I2C_SMBUS_BLOCK_MAX;
constexpr int kTransferReadLength = 1 + kBlockMax + 1;

void* IntegerArgument(unsigned long value) {
  return reinterpret_cast<void*>(value);
}

// SMBus Packet Error Checking: CRC-8, polynomial x^8 + x^2 + x + 1, over every
// byte of the transfer, address bytes included.
std::uint8_t Crc8(std::uint8_t crc, std::uint8_t byte) {
  crc ^= byte;
  for (int bit = 0; bit < 8; ++bit) {
    crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
  }
  return crc;
}

}  // namespace

I2cDevAdapter::I2cDevAdapter(DeviceCalls& calls, const I2cBusDirectory& directory,
                             I2cDevOptions options)
    : calls_(calls), directory_(directory), options_(options), worker_([this] { WorkerLoop(); }) {}

I2cDevAdapter::~I2cDevAdapter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    ++generation_;
  }
  changed_.notify_all();
  worker_.join();
  CloseDevice();
}

std::int32_t I2cDevAdapter::I2COpen(const I2COpenParams& params, AdapterEventCallback callback,
                                    const char* logFileName) {
  std::lock_guard lock(mutex_);
  if (const std::int32_t refusal = OpenRequestRefusal(params, callback, logFileName, link_)) {
    return refusal;
  }
  const std::optional<int> bus = BusForPort(params.comPort);
  if (!bus) return return_code::kInvalidComPort;

  link_ = LinkState::Opening;
  callback_ = std::move(callback);
  lastReply_.reset();
  inFlight_ = false;
  Job job{Job::Kind::Open};
  job.generation = ++generation_;
  job.bus = *bus;
  jobs_.push_back(job);
  changed_.notify_all();
  return return_code::kAccepted;
}

std::int32_t I2cDevAdapter::I2CClose() {
  {
    std::lock_guard lock(mutex_);
    Job job{Job::Kind::Close};
    job.generation = ++generation_;
    link_ = LinkState::Closed;
    inFlight_ = false;
    lastReply_.reset();
    jobs_.push_back(job);
  }
  changed_.notify_all();
  // An event already being handed over finishes before this returns; every
  // later one belongs to an older generation and is dropped. Called from the
  // callback itself, there is nothing to wait for.
  if (std::this_thread::get_id() != worker_.get_id()) {
    std::lock_guard wait(delivering_);
  }
  return return_code::kAccepted;
}

std::int32_t I2cDevAdapter::CheckTransaction(const std::uint8_t* data, int length, int stop) const {
  if (link_ != LinkState::Open) return return_code::kLinkNotOpen;
  if (inFlight_) return return_code::kOperationInProgress;
  if (data == nullptr) return return_code::kNilPointer;
  if (length < 1 || length > kBlockMax) return return_code::kLengthTooLarge;
  if (stop != 1) return return_code::kInvalidNackStop;
  return return_code::kAccepted;
}

std::int32_t I2cDevAdapter::I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                                        int stop) {
  std::lock_guard lock(mutex_);
  if (const auto refused = CheckTransaction(data, length, stop)) return refused;
  // Only the word write is an SMBus transaction the program makes.
  if (length != 3) return return_code::kNotAccepted;
  Job job{Job::Kind::WriteWord};
  job.address = SevenBitAddressOf(AddressByte{address}).value;
  job.command = data[0];
  job.word = static_cast<std::uint16_t>(data[1] | (data[2] << 8));
  Enqueue(job);
  return return_code::kAccepted;
}

std::int32_t I2cDevAdapter::I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data,
                                          int length, int receiveLength, int stop) {
  std::lock_guard lock(mutex_);
  if (const auto refused = CheckTransaction(data, length, stop)) return refused;
  if (receiveLength < 0 || receiveLength > kBlockMax) return return_code::kLengthTooLarge;
  if (length != 1 || (receiveLength != 2 && receiveLength != 0)) {
    return return_code::kNotAccepted;
  }
  Job job{receiveLength == 2 ? Job::Kind::ReadWord : Job::Kind::ReadBlock};
  job.address = SevenBitAddressOf(AddressByte{address}).value;
  job.command = data[0];
  Enqueue(job);
  return return_code::kAccepted;
}

void I2cDevAdapter::Enqueue(Job job) {
  job.generation = generation_;
  inFlight_ = true;
  lastReply_.reset();
  jobs_.push_back(job);
  changed_.notify_all();
}

std::int32_t I2cDevAdapter::I2CGetStatus(I2CStatusRecord& status) {
  std::lock_guard lock(mutex_);
  status = I2CStatusRecord{};
  status.linkOpen = link_ == LinkState::Open ? 1 : 0;
  return return_code::kAccepted;
}

std::int32_t I2cDevAdapter::I2CGetMasterRxMsg(int capacity, std::uint8_t* buffer, int& length) {
  std::lock_guard lock(mutex_);
  return HandOverReply(inFlight_, lastReply_, capacity, buffer, length);
}

std::int32_t I2cDevAdapter::I2CGetSlaveRxMsg(int, std::uint8_t*) {
  return return_code::kNotImplemented;
}

std::int32_t I2cDevAdapter::I2CSlaveTx(const std::uint8_t*, int) {
  return return_code::kNotImplemented;
}

void I2cDevAdapter::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.empty() && !running_; });
}

void I2cDevAdapter::WorkerLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    const Job job = jobs_.front();
    jobs_.pop_front();
    running_ = true;
    lock.unlock();
    Run(job);
    lock.lock();
    running_ = false;
    changed_.notify_all();
  }
}

void I2cDevAdapter::Run(const Job& job) {
  switch (job.kind) {
    case Job::Kind::Open:
      RunOpen(job);
      return;
    case Job::Kind::Close:
      CloseDevice();
      return;
    default:
      RunTransaction(job);
  }
}

void I2cDevAdapter::Say(const std::string& line) const {
  if (options_.warn) options_.warn(line);
}

std::string I2cDevAdapter::Describe() const {
  std::string text = directory_.DeviceNode(device_.bus);
  if (!device_.name.empty()) text += " (" + device_.name + ")";
  return text;
}

void I2cDevAdapter::CloseDevice() {
  if (device_.fd >= 0) calls_.Close(device_.fd);
  device_ = Device{};
}

void I2cDevAdapter::RunOpen(const Job& job) {
  CloseDevice();
  {
    std::lock_guard lock(mutex_);
    if (job.generation != generation_) return;  // closed before it started
  }
  device_.bus = job.bus;
  std::string refusal;
  const std::optional<I2cBus> bus = directory_.Find(job.bus);
  if (!bus) {
    refusal = "no such I2C adapter (is it plugged in, and i2c-dev loaded?)";
  } else {
    device_.name = bus->name;
    refusal = ChangedAdapterRefusal(*bus);
    if (refusal.empty() && !bus->usbAttached && !options_.allBuses) {
      refusal = "not attached through USB; only pelmor --all-buses opens it";
    }
  }
  if (refusal.empty()) {
    const int fd = calls_.Open(directory_.DeviceNode(job.bus));
    if (fd < 0) {
      refusal = "cannot be opened: " + ErrorText(-fd);
    } else {
      device_.fd = fd;
      unsigned long functionality = 0;
      const int result = calls_.Ioctl(fd, I2C_FUNCS, &functionality);
      if (result < 0) {
        refusal = "does not tell what it can do: " + ErrorText(-result);
      } else {
        device_.abilities = AbilitiesFrom(functionality, device_.name);
        refusal = UnusableBecause(device_.abilities, options_.pec);
      }
    }
  }
  if (refusal.empty() && options_.pec) {
    const int result = calls_.Ioctl(device_.fd, I2C_PEC, IntegerArgument(1));
    if (result < 0) refusal = "refused Packet Error Checking: " + ErrorText(-result);
  }

  if (!refusal.empty()) {
    Say(Describe() + ": " + refusal);
    CloseDevice();
    Deliver(job.generation, AdapterEvent::NotResponding, [this] { link_ = LinkState::Closed; });
    return;
  }
  lastOpened_[bus->number] = *bus;
  Deliver(job.generation, AdapterEvent::LinkOpen, [this] { link_ = LinkState::Open; });
}

std::string I2cDevAdapter::ChangedAdapterRefusal(const I2cBus& bus) {
  const auto last = lastOpened_.find(bus.number);
  if (last == lastOpened_.end() || last->second.devicePath == bus.devicePath) return {};
  const std::string before = last->second.name;
  lastOpened_.erase(last);
  return "not the adapter opened on it before (" + before +
         "): that one was unplugged, and its number now names another";
}

int I2cDevAdapter::SetSlaveAddress(std::uint8_t address) {
  if (device_.slaveAddress == address) return 0;
  const int result = calls_.Ioctl(device_.fd, I2C_SLAVE, IntegerArgument(address));
  if (result < 0) return result;
  device_.slaveAddress = address;
  return 0;
}

// The address is set first for every transaction, the plain I2C block read
// included: setting it is where i2c-dev refuses an address that a kernel
// driver holds.
int I2cDevAdapter::Transfer(const Job& job, Reply& reply) {
  if (job.kind == Job::Kind::ReadBlock) return ReadBlock(job.address, job.command, reply);
  i2c_smbus_data data{};
  i2c_smbus_ioctl_data request{};
  request.command = job.command;
  request.size = I2C_SMBUS_WORD_DATA;
  request.data = &data;
  if (job.kind == Job::Kind::WriteWord) {
    request.read_write = I2C_SMBUS_WRITE;
    data.word = job.word;
    return calls_.Ioctl(device_.fd, I2C_SMBUS, &request);
  }
  request.read_write = I2C_SMBUS_READ;
  const int result = calls_.Ioctl(device_.fd, I2C_SMBUS, &request);
  if (result < 0) return result;
  reply.bytes = {static_cast<std::uint8_t>(data.word & 0xFF),
                 static_cast<std::uint8_t>(data.word >> 8)};
  return 0;
}

int I2cDevAdapter::ReadBlock(std::uint8_t address, std::uint8_t command, Reply& reply) {
  switch (device_.abilities.blockRead) {
    case BlockReadMethod::I2cTransfer:
      return ReadBlockByTransfer(address, command, reply);
    case BlockReadMethod::SmbusBlock:
      return ReadBlockBySmbus(address, command, reply);
    default:
      return ReadBlockByI2cBlock(address, command, reply);
  }
}

int I2cDevAdapter::ReadBlockByTransfer(std::uint8_t address, std::uint8_t command, Reply& reply) {
  std::uint8_t commandByte = command;
  std::uint8_t buffer[kTransferReadLength] = {};
  i2c_msg messages[2] = {
      {address, 0, 1, &commandByte},
      {address, I2C_M_RD, static_cast<std::uint16_t>(sizeof buffer), buffer},
  };
  i2c_rdwr_ioctl_data request{messages, 2};
  int result = calls_.Ioctl(device_.fd, I2C_RDWR, &request);
  // A transfer that stopped after its first message brought no reply.
  if (result >= 0 && result != 2) result = -EIO;
  if (result == -EOPNOTSUPP && device_.abilities.smbusBlock) {
    // The adapter refuses a plain read this long: its SMBus Block Read then.
    device_.abilities.blockRead = BlockReadMethod::SmbusBlock;
    return ReadBlock(address, command, reply);
  }
  if (result == -EOPNOTSUPP && !options_.pec && device_.abilities.i2cBlock) {
    // Nor has it an SMBus Block Read: its I2C block read still brings the
    // count and 31 data bytes.
    device_.abilities.blockRead = BlockReadMethod::I2cBlock;
    return ReadBlock(address, command, reply);
  }
  if (result < 0) return result;
  const int count = buffer[0];
  if (count > kBlockMax) return -EPROTO;
  if (options_.pec) {
    std::uint8_t crc = 0;
    const SevenBitAddress device{address};
    for (std::uint8_t byte :
         {AddressByteOf(device).value, command, ReadAddressByteOf(device).value}) {
      crc = Crc8(crc, byte);
    }
    for (int i = 0; i <= count; ++i) crc = Crc8(crc, buffer[i]);
    if (crc != buffer[count + 1]) return -EBADMSG;
  }
  reply.bytes.assign(buffer, buffer + 1 + count);
  return 0;
}

int I2cDevAdapter::ReadBlockBySmbus(std::uint8_t address, std::uint8_t command, Reply& reply) {
  i2c_smbus_data data{};
  i2c_smbus_ioctl_data request{I2C_SMBUS_READ, command, I2C_SMBUS_BLOCK_DATA, &data};
  const int result = calls_.Ioctl(device_.fd, I2C_SMBUS, &request);
  if (result < 0) return result;
  return TakeBlock(address, command, data.block[0], data.block + 1,
                   device_.abilities.smbusBlockDataMax, reply);
}

// An I2C block read of 32 bytes: the count and at most 31 data bytes.
int I2cDevAdapter::ReadBlockByI2cBlock(std::uint8_t address, std::uint8_t command, Reply& reply) {
  i2c_smbus_data data{};
  i2c_smbus_ioctl_data request{I2C_SMBUS_READ, command, I2C_SMBUS_I2C_BLOCK_DATA, &data};
  data.block[0] = kBlockMax;
  const int result = calls_.Ioctl(device_.fd, I2C_SMBUS, &request);
  if (result < 0) return result;
  const int received = std::min<int>(data.block[0], kBlockMax);
  if (received < 1) return -EPROTO;
  return TakeBlock(address, command, data.block[1], data.block + 2, received - 1, reply);
}

// A count above what SMBus allows is no block (a bus error); a count above
// what the adapter could bring is handed over as it came: the count, and
// fewer bytes than it says.
int I2cDevAdapter::TakeBlock(std::uint8_t address, std::uint8_t command, int count,
                             const std::uint8_t* data, int available, Reply& reply) const {
  if (count > kBlockMax) return -EPROTO;
  const int taken = std::min(count, available);
  reply.bytes.assign(1, static_cast<std::uint8_t>(count));
  reply.bytes.insert(reply.bytes.end(), data, data + taken);
  if (taken < count) {
    char text[96];
    std::snprintf(text, sizeof text,
                  ": the block of command %02X at address %02X claims %d bytes; the adapter "
                  "read %d",
                  command, AddressByteOf(SevenBitAddress{address}).value, count, taken);
    Say(Describe() + text);
  }
  return 0;
}

// A failed transfer may mean the adapter was unplugged (its driver then often
// answers ENODEV, which a silent address gives too). Ask the adapter again:
// its functionality through the open descriptor, and a fresh open of its node,
// which is gone once the kernel has let the adapter go.
bool I2cDevAdapter::AdapterStillThere() {
  unsigned long functionality = 0;
  if (calls_.Ioctl(device_.fd, I2C_FUNCS, &functionality) < 0) return false;
  const int fd = calls_.Open(directory_.DeviceNode(device_.bus));
  if (fd == -ENOENT || fd == -ENODEV || fd == -ENXIO) return false;
  if (fd >= 0) calls_.Close(fd);
  return true;
}

void I2cDevAdapter::RunTransaction(const Job& job) {
  {
    std::lock_guard lock(mutex_);
    if (job.generation != generation_) return;  // closed before it started
  }
  int result = SetSlaveAddress(job.address);
  if (result == -EBUSY) {
    ReportHeldAddress(job);
    return;
  }
  Reply reply;
  if (result >= 0) result = Transfer(job, reply);
  if (result >= 0) {
    const bool read = job.kind != Job::Kind::WriteWord;
    Deliver(job.generation, read ? AdapterEvent::MasterRxComplete : AdapterEvent::MasterTxComplete,
            [this, read, &reply] {
              inFlight_ = false;
              if (!read) return;
              lastReply_ = std::move(reply.bytes);
            });
    return;
  }
  if (!AdapterStillThere()) {
    Say(Describe() + " went away: " + ErrorText(-result) + "; the link is closed");
    CloseDevice();
    Deliver(job.generation, AdapterEvent::NotResponding, [this] {
      inFlight_ = false;
      link_ = LinkState::Closed;
    });
    return;
  }
  if (result == -EBUSY)
    Say(Describe() + ": the bus stayed busy (another master, or a line held low)");
  ExplainFoldedError(-result);
  Deliver(job.generation, EventForError(-result, device_.name), [this] { inFlight_ = false; });
}

// Once for each adapter and error: the faults its driver reports alike with
// it, so that the fault word is not taken for the one fault it names.
void I2cDevAdapter::ExplainFoldedError(int error) {
  const std::string alike = FaultsAlike(error, device_.name);
  if (alike.empty() || !errorsExplained_.emplace(device_.name, error).second) return;
  Say(Describe() + ": its driver failed a transfer with \"" + ErrorText(error) +
      "\", which it reports alike for " + alike + "; which of them it was cannot be told here");
}

// i2c-dev refuses an address while a kernel driver holds it: the adapter is
// busy for it until the driver lets it go, which the warning says how to do.
void I2cDevAdapter::ReportHeldAddress(const Job& job) {
  std::string text;
  for (const HeldAddress& held : directory_.HeldAddresses(device_.bus)) {
    if (held.address == job.address) text = HeldAddressText(device_.bus, held);
  }
  if (text.empty()) {
    char address[48];
    std::snprintf(address, sizeof address, "address %02X (7-bit 0x%02x)",
                  AddressByteOf(SevenBitAddress{job.address}).value, job.address);
    text = std::string(address) + " is held by a kernel driver";
  }
  Say(Describe() + ": " + text);
  Deliver(job.generation, AdapterEvent::Busy, [this] { inFlight_ = false; });
}

void I2cDevAdapter::Deliver(std::uint64_t generation, AdapterEvent event,
                            const std::function<void()>& commit) {
  std::lock_guard delivering(delivering_);
  AdapterEventCallback callback;
  {
    std::lock_guard lock(mutex_);
    if (generation != generation_) return;
    commit();
    callback = callback_;
  }
  callback(static_cast<std::int32_t>(event));
}
