#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "emulator/EmulatedBus.h"
#include "emulator/EmulatedSerialPorts.h"
#include "emulator/RigScheduler.h"
#include "emulator/SmartBattery.h"
#include "link/adapter/AdapterLibrary.h"

// The adapter and its driver library, emulated: it opens on an existing
// serial port, runs SMBus transfers against the battery with their real
// transfer times, and reports every outcome through the event callback from
// the scheduler's thread. Faults can be injected for tests and demonstrations.
class EmulatedAdapter : public AdapterLibrary {
 public:
  using Duration = RigScheduler::Duration;

  enum class Operation {
    Open,
    Close,
    MasterTx,
    MasterTxRx,
    GetStatus,
    GetMasterRxMsg,
    GetSlaveRxMsg,
    SlaveTx
  };

  EmulatedAdapter(RigScheduler& scheduler, EmulatedSerialPorts& ports, SmartBattery& battery,
                  EmulatedBus& bus);

  std::int32_t I2COpen(const I2COpenParams& params, AdapterEventCallback callback,
                       const char* logFileName) override;
  std::int32_t I2CClose() override;
  std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                           int stop) override;
  std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data, int length,
                             int receiveLength, int stop) override;
  std::int32_t I2CGetStatus(I2CStatusRecord& status) override;
  std::int32_t I2CGetMasterRxMsg(int capacity, std::uint8_t* buffer, int& length) override;
  std::int32_t I2CGetSlaveRxMsg(int capacity, std::uint8_t* buffer) override;
  std::int32_t I2CSlaveTx(const std::uint8_t* data, int length) override;

  // Timing of the link open.
  static constexpr Duration kDefaultOpenDelay = std::chrono::milliseconds(30);
  void SetOpenDelay(Duration delay);

  // Fault injection. The next `count` transactions (or, with a command, the
  // next `count` for that command code) end with the given fault event
  // instead of their outcome.
  void FailNextTransactions(int count, AdapterEvent fault);
  void FailCommand(std::uint8_t command, AdapterEvent fault, int count);
  // The next call of the operation returns the code and does nothing else.
  void FailNextCall(Operation operation, std::int32_t code);
  // Reports an arbitrary event code after the delay (while the link is up).
  void InjectEvent(std::int32_t eventCode, Duration delay = Duration::zero());
  // The next outcome is reported this much later than its transfer ends.
  void DelayNextOutcome(Duration extra);
  // The next outcome is reported twice.
  void DuplicateNextOutcome();
  // A hung adapter: calls are accepted, but nothing is ever reported.
  void SetAnswering(bool answering);

  // The bus master asks the adapter (as slave) for data / sends it a message.
  void RequestSlaveRead();
  void SendSlaveMessage(std::vector<std::uint8_t> message);
  std::vector<std::uint8_t> LastSlaveReply() const;

  // What the last accepted or refused transaction call carried.
  struct TransactionCall {
    bool write = false;
    std::uint8_t address = 0;
    std::vector<std::uint8_t> data;
    int receiveLength = 0;
  };
  TransactionCall LastTransactionCall() const;

  bool IsLinkOpen() const;
  int TransactionsStarted() const;

 private:
  using LinkState = AdapterLinkState;
  struct Outcome {
    AdapterEvent event;
    Duration transferTime;
    std::vector<std::uint8_t> reply;
  };

  std::optional<std::int32_t> TakeInjectedCode(Operation operation);
  std::optional<AdapterEvent> TakeInjectedFault(std::uint8_t command);
  std::int32_t CheckTransaction(const std::uint8_t* data, int length, int stop) const;
  Outcome RunRead(std::uint8_t address, std::uint8_t command, int receiveLength) const;
  Outcome RunWrite(std::uint8_t address, const std::uint8_t* data, int length);
  // The outcome of a transfer the bus does not let through; none when it does.
  std::optional<Outcome> BusFault(std::uint8_t address, Duration fullTransfer) const;
  void StartTransaction(Outcome outcome);
  void Report(AdapterEvent event);
  // The caller holds the mutex.
  void ReportCode(std::int32_t code, Duration delay, std::uint64_t generation);
  void ReleasePort();

  RigScheduler& scheduler_;
  EmulatedSerialPorts& ports_;
  SmartBattery& battery_;
  EmulatedBus& bus_;

  mutable std::mutex mutex_;
  // Held while an event is handed to the callback, so that I2CClose can wait
  // for one being delivered. Recursive: the callback may close the link on
  // the same thread (a test that dispatches events as they come).
  std::recursive_mutex delivering_;
  LinkState link_ = LinkState::Closed;
  int port_ = 0;
  std::uint64_t generation_ = 0;  // bumped at every open and close; stale reports are dropped
  AdapterEventCallback callback_;
  bool inFlight_ = false;
  bool answering_ = true;
  Duration openDelay_ = kDefaultOpenDelay;
  const Duration notRespondingDelay_ = std::chrono::milliseconds(500);
  std::optional<std::vector<std::uint8_t>> lastReply_;  // of the last transfer, if it had one
  std::vector<std::uint8_t> slaveMessage_;
  std::vector<std::uint8_t> lastSlaveReply_;
  int failNext_ = 0;
  AdapterEvent failNextFault_ = AdapterEvent::BusError;
  std::map<std::uint8_t, std::pair<int, AdapterEvent>> commandFaults_;
  std::map<Operation, std::int32_t> callFaults_;
  Duration extraDelay_{0};
  Duration lastReportDue_{0};
  bool duplicateNext_ = false;
  int transactionsStarted_ = 0;
  TransactionCall lastCall_;
};
