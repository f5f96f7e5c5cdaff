#include "emulator/EmulatedAdapter.h"

#include <algorithm>
#include <utility>

#include "emulator/SmbusTiming.h"

namespace {

constexpr int kMaxTransferBytes = 32;

// When an injected fault ends the transfer: a missing acknowledge right after
// the address byte, a time-out once the clock has been held low long enough,
// anything else at the end of the transfer.
RigScheduler::Duration FaultTime(AdapterEvent fault, RigScheduler::Duration fullTransfer) {
  if (fault == AdapterEvent::SlaveNack) return smbus_timing::kAddressOnlyTime;
  if (fault == AdapterEvent::BusTimeout) return EmulatedBus::kTimeoutTime;
  return fullTransfer;
}

}  // namespace

EmulatedAdapter::EmulatedAdapter(RigScheduler& scheduler, EmulatedSerialPorts& ports,
                                 SmartBattery& battery, EmulatedBus& bus)
    : scheduler_(scheduler), ports_(ports), battery_(battery), bus_(bus) {}

std::optional<std::int32_t> EmulatedAdapter::TakeInjectedCode(Operation operation) {
  const auto found = callFaults_.find(operation);
  if (found == callFaults_.end()) return std::nullopt;
  const std::int32_t code = found->second;
  callFaults_.erase(found);
  return code;
}

std::int32_t EmulatedAdapter::I2COpen(const I2COpenParams& params, AdapterEventCallback callback,
                                      const char* logFileName) {
  std::lock_guard lock(mutex_);
  if (auto code = TakeInjectedCode(Operation::Open)) return *code;
  if (const std::int32_t refusal = OpenRequestRefusal(params, callback, logFileName, link_)) {
    return refusal;
  }
  const int port = params.comPort;
  if (port == 0 || !ports_.Exists(port)) return return_code::kInvalidComPort;
  if (!ports_.Take(port)) return return_code::kSystemFailure;

  port_ = port;
  link_ = LinkState::Opening;
  callback_ = std::move(callback);
  const std::uint64_t generation = ++generation_;
  if (!answering_) return return_code::kAccepted;

  const bool attached = ports_.HasAdapter(port);
  scheduler_.ScheduleAfter(
      attached ? openDelay_ : notRespondingDelay_, [this, generation, attached] {
        std::lock_guard delivering(delivering_);
        AdapterEventCallback callback;
        {
          std::lock_guard lock(mutex_);
          if (generation != generation_) return;
          if (attached) {
            link_ = LinkState::Open;
          } else {
            link_ = LinkState::Closed;
            ReleasePort();
          }
          callback = callback_;
        }
        callback(static_cast<std::int32_t>(attached ? AdapterEvent::LinkOpen
                                                    : AdapterEvent::NotResponding));
      });
  return return_code::kAccepted;
}

void EmulatedAdapter::ReleasePort() {
  if (port_ != 0) ports_.Release(port_);
  port_ = 0;
}

// Waits for an event being delivered from the rig's thread: once the link is
// closed, nothing accepted on it reports any more.
std::int32_t EmulatedAdapter::I2CClose() {
  std::lock_guard delivering(delivering_);
  std::lock_guard lock(mutex_);
  if (auto code = TakeInjectedCode(Operation::Close)) return *code;
  ++generation_;
  link_ = LinkState::Closed;
  inFlight_ = false;
  ReleasePort();
  return return_code::kAccepted;
}

std::int32_t EmulatedAdapter::CheckTransaction(const std::uint8_t* data, int length,
                                               int stop) const {
  if (link_ != LinkState::Open) return return_code::kLinkNotOpen;
  if (inFlight_) return return_code::kOperationInProgress;
  if (data == nullptr) return return_code::kNilPointer;
  if (length < 1 || length > kMaxTransferBytes) return return_code::kLengthTooLarge;
  if (stop != 0 && stop != 1) return return_code::kInvalidNackStop;
  return return_code::kAccepted;
}

std::optional<AdapterEvent> EmulatedAdapter::TakeInjectedFault(std::uint8_t command) {
  const auto found = commandFaults_.find(command);
  if (found != commandFaults_.end()) {
    const AdapterEvent fault = found->second.second;
    if (--found->second.first <= 0) commandFaults_.erase(found);
    return fault;
  }
  if (failNext_ > 0) {
    --failNext_;
    return failNextFault_;
  }
  return std::nullopt;
}

std::optional<EmulatedAdapter::Outcome> EmulatedAdapter::BusFault(std::uint8_t address,
                                                                  Duration fullTransfer) const {
  switch (bus_.Transfer(address)) {
    case EmulatedBus::Fate::Acknowledged:
      return std::nullopt;
    case EmulatedBus::Fate::NotAcknowledged:
      return Outcome{AdapterEvent::SlaveNack, smbus_timing::kAddressOnlyTime, {}};
    case EmulatedBus::Fate::TimedOut:
      return Outcome{AdapterEvent::BusTimeout, EmulatedBus::kTimeoutTime, {}};
    case EmulatedBus::Fate::BusError:
      return Outcome{AdapterEvent::BusError, fullTransfer, {}};
  }
  return std::nullopt;
}

EmulatedAdapter::Outcome EmulatedAdapter::RunRead(std::uint8_t address, std::uint8_t command,
                                                  int receiveLength) const {
  if (auto fault = BusFault(address, smbus_timing::ReadTime(receiveLength))) return *fault;
  const auto sent = battery_.Read(command, scheduler_.Now());
  if (!sent) return {AdapterEvent::SlaveNack, smbus_timing::WriteTime(0), {}};

  // A counted read takes the battery's first byte as the count of those that follow.
  const auto byteAt = [&](std::size_t i) -> std::uint8_t {
    return i < sent->size() ? (*sent)[i] : 0xFF;
  };
  const std::size_t received = receiveLength == 0 ? 1 + byteAt(0) : receiveLength;
  std::vector<std::uint8_t> reply(received);
  for (std::size_t i = 0; i < received; ++i) reply[i] = byteAt(i);
  bus_.Carry(reply, receiveLength == 0);
  return {AdapterEvent::MasterRxComplete, smbus_timing::ReadTime(static_cast<int>(received)),
          std::move(reply)};
}

EmulatedAdapter::Outcome EmulatedAdapter::RunWrite(std::uint8_t address, const std::uint8_t* data,
                                                   int length) {
  const auto written = smbus_timing::WriteTime(length - 1);
  if (auto fault = BusFault(address, written)) return *fault;
  if (length != 3) return {AdapterEvent::SlaveNack, written, {}};
  const auto value = static_cast<std::uint16_t>(data[1] | (data[2] << 8));
  if (!battery_.WriteWord(data[0], value)) return {AdapterEvent::SlaveNack, written, {}};
  return {AdapterEvent::MasterTxComplete, written, {}};
}

std::int32_t EmulatedAdapter::I2CMasterTx(std::uint8_t address, const std::uint8_t* data,
                                          int length, int stop) {
  std::lock_guard lock(mutex_);
  if (data != nullptr && length > 0) lastCall_ = {true, address, {data, data + length}, 0};
  if (auto code = TakeInjectedCode(Operation::MasterTx)) return *code;
  if (const auto refused = CheckTransaction(data, length, stop)) return refused;
  ++transactionsStarted_;
  if (auto fault = TakeInjectedFault(data[0])) {
    StartTransaction({*fault, FaultTime(*fault, smbus_timing::WriteTime(length - 1)), {}});
  } else {
    StartTransaction(RunWrite(address, data, length));
  }
  return return_code::kAccepted;
}

std::int32_t EmulatedAdapter::I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data,
                                            int length, int receiveLength, int stop) {
  std::lock_guard lock(mutex_);
  if (data != nullptr && length > 0) {
    lastCall_ = {false, address, {data, data + length}, receiveLength};
  }
  if (auto code = TakeInjectedCode(Operation::MasterTxRx)) return *code;
  if (const auto refused = CheckTransaction(data, length, stop)) return refused;
  if (receiveLength < 0 || receiveLength > kMaxTransferBytes) return return_code::kLengthTooLarge;
  ++transactionsStarted_;
  if (auto fault = TakeInjectedFault(data[0])) {
    StartTransaction({*fault, FaultTime(*fault, smbus_timing::ReadTime(receiveLength)), {}});
  } else {
    StartTransaction(RunRead(address, data[0], receiveLength));
  }
  return return_code::kAccepted;
}

void EmulatedAdapter::StartTransaction(Outcome outcome) {
  lastReply_.reset();
  if (!answering_) return;
  inFlight_ = true;
  const Duration extra = std::exchange(extraDelay_, Duration::zero());
  const int reports = std::exchange(duplicateNext_, false) ? 2 : 1;
  const std::uint64_t generation = generation_;
  scheduler_.ScheduleAfter(
      outcome.transferTime, [this, generation, extra, reports, outcome = std::move(outcome)] {
        std::lock_guard lock(mutex_);
        if (generation != generation_) return;
        inFlight_ = false;
        if (outcome.event == AdapterEvent::MasterRxComplete) lastReply_ = outcome.reply;
        for (int i = 0; i < reports; ++i) {
          ReportCode(static_cast<std::int32_t>(outcome.event), extra, generation);
        }
      });
}

// Reports go out in the order they were made, as from a driver's queue: a
// late report holds back the ones made after it.
void EmulatedAdapter::ReportCode(std::int32_t code, Duration delay, std::uint64_t generation) {
  const Duration now = scheduler_.Now();
  lastReportDue_ = std::max(now + delay, lastReportDue_);
  scheduler_.ScheduleAfter(lastReportDue_ - now, [this, code, generation] {
    std::lock_guard delivering(delivering_);
    AdapterEventCallback callback;
    {
      std::lock_guard lock(mutex_);
      if (generation != generation_ || link_ == LinkState::Closed) return;
      callback = callback_;
    }
    callback(code);
  });
}

void EmulatedAdapter::Report(AdapterEvent event) {
  if (link_ == LinkState::Closed || !answering_) return;
  ReportCode(static_cast<std::int32_t>(event), Duration::zero(), generation_);
}

std::int32_t EmulatedAdapter::I2CGetStatus(I2CStatusRecord& status) {
  std::lock_guard lock(mutex_);
  if (auto code = TakeInjectedCode(Operation::GetStatus)) return *code;
  status = I2CStatusRecord{};
  status.linkOpen = link_ == LinkState::Open ? 1 : 0;
  return return_code::kAccepted;
}

std::int32_t EmulatedAdapter::I2CGetMasterRxMsg(int capacity, std::uint8_t* buffer, int& length) {
  std::lock_guard lock(mutex_);
  length = 0;
  if (auto code = TakeInjectedCode(Operation::GetMasterRxMsg)) return *code;
  return HandOverReply(inFlight_, lastReply_, capacity, buffer, length);
}

std::int32_t EmulatedAdapter::I2CGetSlaveRxMsg(int capacity, std::uint8_t* buffer) {
  std::lock_guard lock(mutex_);
  if (auto code = TakeInjectedCode(Operation::GetSlaveRxMsg)) return *code;
  if (buffer == nullptr) return return_code::kNilPointer;
  const auto count = std::min<std::size_t>(std::max(capacity, 0), slaveMessage_.size());
  std::copy_n(slaveMessage_.begin(), count, buffer);
  slaveMessage_.clear();
  return return_code::kAccepted;
}

std::int32_t EmulatedAdapter::I2CSlaveTx(const std::uint8_t* data, int length) {
  std::lock_guard lock(mutex_);
  if (auto code = TakeInjectedCode(Operation::SlaveTx)) return *code;
  if (data == nullptr) return return_code::kNilPointer;
  if (link_ != LinkState::Open) return return_code::kLinkNotOpen;
  lastSlaveReply_.assign(data, data + std::max(length, 0));
  return return_code::kAccepted;
}

void EmulatedAdapter::SetOpenDelay(Duration delay) {
  std::lock_guard lock(mutex_);
  openDelay_ = delay;
}

void EmulatedAdapter::FailNextTransactions(int count, AdapterEvent fault) {
  std::lock_guard lock(mutex_);
  failNext_ = count;
  failNextFault_ = fault;
}

void EmulatedAdapter::FailCommand(std::uint8_t command, AdapterEvent fault, int count) {
  std::lock_guard lock(mutex_);
  commandFaults_[command] = {count, fault};
}

void EmulatedAdapter::FailNextCall(Operation operation, std::int32_t code) {
  std::lock_guard lock(mutex_);
  callFaults_[operation] = code;
}

void EmulatedAdapter::InjectEvent(std::int32_t eventCode, Duration delay) {
  std::lock_guard lock(mutex_);
  if (link_ == LinkState::Closed) return;
  ReportCode(eventCode, delay, generation_);
}

void EmulatedAdapter::DelayNextOutcome(Duration extra) {
  std::lock_guard lock(mutex_);
  extraDelay_ = extra;
}

void EmulatedAdapter::DuplicateNextOutcome() {
  std::lock_guard lock(mutex_);
  duplicateNext_ = true;
}

void EmulatedAdapter::SetAnswering(bool answering) {
  std::lock_guard lock(mutex_);
  answering_ = answering;
}

void EmulatedAdapter::RequestSlaveRead() {
  std::lock_guard lock(mutex_);
  Report(AdapterEvent::SlaveTxRequested);
}

void EmulatedAdapter::SendSlaveMessage(std::vector<std::uint8_t> message) {
  std::lock_guard lock(mutex_);
  slaveMessage_ = std::move(message);
  Report(AdapterEvent::SlaveRxReceived);
}

std::vector<std::uint8_t> EmulatedAdapter::LastSlaveReply() const {
  std::lock_guard lock(mutex_);
  return lastSlaveReply_;
}

EmulatedAdapter::TransactionCall EmulatedAdapter::LastTransactionCall() const {
  std::lock_guard lock(mutex_);
  return lastCall_;
}

bool EmulatedAdapter::IsLinkOpen() const {
  std::lock_guard lock(mutex_);
  return link_ == LinkState::Open;
}

int EmulatedAdapter::TransactionsStarted() const {
  std::lock_guard lock(mutex_);
  return transactionsStarted_;
}
