#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "i2cdev/AdapterAbilities.h"
#include "i2cdev/DeviceCalls.h"
#include "i2cdev/I2cBusDirectory.h"
#include "link/adapter/AdapterLibrary.h"

// How the person asked for real adapters to be used.
struct I2cDevOptions {
  bool allBuses = false;  // open any bus, not only USB-attached adapters
  bool pec = false;       // SMBus Packet Error Checking on every transaction
  std::string guide{};    // the installed README, named by the hint when no adapter is listed
  // Where the warnings for the person go (see below); unset, they are dropped.
  std::function<void(const std::string&)> warn{};
};

// The adapter library over Linux i2c-dev. Port n is /dev/i2c-(n-1). Opening,
// every transaction and closing run in order on the library's own worker
// thread, and each outcome is reported through the callback from that thread,
// as a driver would. Reads are SMBus Read Word and a counted block read (the
// best method the adapter offers); writes are SMBus Write Word. An address
// that a kernel driver holds is reported Busy. Each time an adapter cannot be
// used or goes away, or an address is held, a warning (through `I2cDevOptions::warn`) says
// why: the status line has only the library's fixed texts.
class I2cDevAdapter : public AdapterLibrary {
 public:
  I2cDevAdapter(DeviceCalls& calls, const I2cBusDirectory& directory, I2cDevOptions options);
  // Stops the worker once its current device call has returned.
  ~I2cDevAdapter() override;
  I2cDevAdapter(const I2cDevAdapter&) = delete;
  I2cDevAdapter& operator=(const I2cDevAdapter&) = delete;

  std::int32_t I2COpen(const I2COpenParams& params, AdapterEventCallback callback,
                       const char* logFileName) override;
  // Returns at once; a transaction still in the kernel is abandoned (the
  // descriptor closes when it returns), and no event follows this call.
  std::int32_t I2CClose() override;
  std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                           int stop) override;
  std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data, int length,
                             int receiveLength, int stop) override;
  std::int32_t I2CGetStatus(I2CStatusRecord& status) override;
  // A counted block the adapter could read only in part is handed over with
  // the count the device sent and the bytes that came.
  std::int32_t I2CGetMasterRxMsg(int capacity, std::uint8_t* buffer, int& length) override;
  // The adapter is never a bus slave here: both return "not implemented".
  std::int32_t I2CGetSlaveRxMsg(int capacity, std::uint8_t* buffer) override;
  std::int32_t I2CSlaveTx(const std::uint8_t* data, int length) override;

  // Blocks until the worker has nothing queued and no call running.
  void WaitUntilIdle();

 private:
  using LinkState = AdapterLinkState;
  struct Job {
    enum class Kind { Open, Close, ReadWord, ReadBlock, WriteWord } kind;
    std::uint64_t generation = 0;
    int bus = 0;
    std::uint8_t address = 0;  // 7-bit
    std::uint8_t command = 0;
    std::uint16_t word = 0;
  };
  // What the worker alone touches: the open descriptor and its adapter.
  struct Device {
    int fd = -1;
    int bus = -1;
    std::string name;
    AdapterAbilities abilities;
    int slaveAddress = -1;          // last set with I2C_SLAVE
    std::set<int> errorsExplained;  // errors whose folded faults were said
  };

  std::int32_t CheckTransaction(const std::uint8_t* data, int length, int stop) const;
  void Enqueue(Job job);
  void WorkerLoop();
  void Run(const Job& job);
  void RunOpen(const Job& job);
  // Why the bus can no longer be taken for the adapter last opened on it;
  // empty when it can. Said once: the next open takes the new adapter.
  std::string ChangedAdapterRefusal(const I2cBus& bus);
  void RunTransaction(const Job& job);
  // A read's reply as it is handed over.
  struct Reply {
    std::vector<std::uint8_t> bytes;
  };
  int Transfer(const Job& job, Reply& reply);
  int SetSlaveAddress(std::uint8_t address);
  int ReadBlock(std::uint8_t address, std::uint8_t command, Reply& reply);
  int ReadBlockByTransfer(std::uint8_t address, std::uint8_t command, Reply& reply);
  int ReadBlockBySmbus(std::uint8_t address, std::uint8_t command, Reply& reply);
  int ReadBlockByI2cBlock(std::uint8_t address, std::uint8_t command, Reply& reply);
  int TakeBlock(std::uint8_t address, std::uint8_t command, int count, const std::uint8_t* data,
                int available, Reply& reply) const;
  void ReportHeldAddress(const Job& job);
  void ExplainFoldedError(int error);
  bool AdapterStillThere();
  void CloseDevice();
  void Say(const std::string& line) const;
  std::string Describe() const;
  // Reports the event if the link is still the one of that generation; the
  // commit step updates the state under the lock first.
  void Deliver(std::uint64_t generation, AdapterEvent event, const std::function<void()>& commit);

  DeviceCalls& calls_;
  const I2cBusDirectory& directory_;
  const I2cDevOptions options_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  bool running_ = false;  // the worker is inside a job
  bool stopping_ = false;
  LinkState link_ = LinkState::Closed;
  std::uint64_t generation_ = 0;  // bumped at every open and close
  AdapterEventCallback callback_;
  bool inFlight_ = false;
  std::optional<std::vector<std::uint8_t>> lastReply_;

  // Held while an event is handed to the callback, so that I2CClose can wait
  // for one being delivered.
  std::mutex delivering_;

  Device device_;
  // The adapter last opened on each bus number, for the worker alone: the
  // kernel gives an unplugged adapter's number to the next adapter plugged
  // in, and a link opened again must not land on that one unawares.
  std::map<int, I2cBus> lastOpened_;
  // The adapters' errors whose folded faults were said, by adapter name: a
  // repeated read, which opens its link for every pass, says them once.
  std::set<std::pair<std::string, int>> errorsExplained_;
  std::thread worker_;
};
