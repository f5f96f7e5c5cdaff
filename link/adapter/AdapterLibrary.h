#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The adapter's driver library as the program uses it: eight operations, each
// answering with a 32-bit return code (0 = accepted), and events reported
// asynchronously through a callback, possibly from the library's own thread.

enum class AdapterEvent : std::uint16_t {
  LinkOpen = 0x111,
  NotResponding = 0x112,
  Busy = 0x113,
  BusError = 0x114,
  SlaveNack = 0x115,
  ArbitrationLoss = 0x116,
  BusTimeout = 0x117,
  MasterTxComplete = 0x118,
  MasterRxComplete = 0x119,
  SlaveRxReceived = 0x211,
  SlaveTxRequested = 0x212,
  SlaveAddrChanged = 0x213,
  GeneralCallChanged = 0x214,
};

inline constexpr int kAdapterEventCount = 13;

namespace return_code {
inline constexpr std::int32_t kAccepted = 0;
inline constexpr std::int32_t kLinkAlreadyOpen = 0x301;
inline constexpr std::int32_t kOpenInProgress = 0x302;
inline constexpr std::int32_t kLogFileOpenError = 0x303;
inline constexpr std::int32_t kInvalidComPort = 0x304;
inline constexpr std::int32_t kInvalidOpenParameter = 0x305;
inline constexpr std::int32_t kInvalidMessageNumber = 0x306;
inline constexpr std::int32_t kInvalidSlaveAddress = 0x307;
inline constexpr std::int32_t kInvalidBitRate = 0x308;
inline constexpr std::int32_t kOutOfMemory = 0x309;
inline constexpr std::int32_t kLinkNotOpen = 0x321;
inline constexpr std::int32_t kOperationInProgress = 0x322;
inline constexpr std::int32_t kNotAccepted = 0x323;
inline constexpr std::int32_t kLengthTooLarge = 0x324;
inline constexpr std::int32_t kSystemFailure = 0x325;
inline constexpr std::int32_t kInvalidNackStop = 0x326;
inline constexpr std::int32_t kNeedsFirmwareUpgrade = 0x327;
inline constexpr std::int32_t kNilPointer = 0x331;
inline constexpr std::int32_t kNotImplemented = 0x999;
}  // namespace return_code

static_assert(std::endian::native == std::endian::little,
              "the adapter records are laid out little-endian");

#pragma pack(push, 1)

// The open request, 50 bytes. Only the COM port number varies; every other
// field carries the fixed value the library expects. On a 64-bit build the two
// address fields cannot hold a pointer: the callback and the log file name go
// to I2COpen beside the record, and these fields carry non-zero tokens.
struct I2COpenParams {
  std::uint8_t comPort = 0;
  std::uint8_t reserved1[8] = {};
  std::uint32_t reserved9 = 0;
  std::uint32_t callbackToken = 0;
  std::uint32_t logFileNameToken = 0;
  std::uint8_t fixed21 = 0;
  std::uint32_t fixed22 = 100;
  std::uint8_t fixed26 = 254;
  std::uint32_t fixed27 = 1000;
  std::uint8_t fixed31 = 2;
  std::uint32_t fixed32 = 0;
  std::uint32_t fixed36 = 0;
  std::uint8_t fixed40 = 0;
  std::uint8_t fixed41 = 1;
  std::uint32_t fixed42 = 100;
  std::uint32_t fixed46 = 0;
};

// The library's status report, 99 bytes; the program reads only the link-open
// flag, non-zero while the link is open.
struct I2CStatusRecord {
  std::uint8_t leading[58] = {};
  std::uint32_t linkOpen = 0;
  std::uint8_t trailing[37] = {};
};

#pragma pack(pop)

static_assert(sizeof(I2COpenParams) == 50);
static_assert(offsetof(I2COpenParams, callbackToken) == 13);
static_assert(offsetof(I2COpenParams, logFileNameToken) == 17);
static_assert(offsetof(I2COpenParams, fixed46) == 46);
static_assert(sizeof(I2CStatusRecord) == 99);
static_assert(offsetof(I2CStatusRecord, linkOpen) == 58);

inline constexpr std::uint32_t kCallbackToken = 1;
inline constexpr std::uint32_t kLogFileNameToken = 2;
inline constexpr const char* kAdapterLogFileName = "log.txt";

// A fresh open record for the given COM port, every other field at its fixed value.
I2COpenParams MakeOpenParams(std::uint8_t comPort);

using AdapterEventCallback = std::function<void(std::int32_t eventCode)>;

class AdapterLibrary {
 public:
  virtual ~AdapterLibrary() = default;

  // Starts opening the link; LinkOpen or NotResponding follows through the callback.
  virtual std::int32_t I2COpen(const I2COpenParams& params, AdapterEventCallback callback,
                               const char* logFileName) = 0;
  virtual std::int32_t I2CClose() = 0;
  // Write: address byte, data (command, low, high), length 3, stop flag 1.
  virtual std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                                   int stop) = 0;
  // Read: address byte, command byte(s), length 1, receive length (2 for a
  // word, 0 for a counted block), stop flag 1.
  virtual std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data, int length,
                                     int receiveLength, int stop) = 0;
  virtual std::int32_t I2CGetStatus(I2CStatusRecord& status) = 0;
  // Copies the last reply as it came off the bus, and tells how many bytes it
  // copied: a counted block keeps the count the device sent, however many of
  // its bytes came.
  virtual std::int32_t I2CGetMasterRxMsg(int capacity, std::uint8_t* buffer, int& length) = 0;
  virtual std::int32_t I2CGetSlaveRxMsg(int capacity, std::uint8_t* buffer) = 0;
  virtual std::int32_t I2CSlaveTx(const std::uint8_t* data, int length) = 0;
};

// Where a library's link stands.
enum class AdapterLinkState { Closed, Opening, Open };

// How every library answers an open request before it looks at the port:
// kAccepted when the open may go ahead, otherwise its refusal (a missing
// callback or name, a link open or opening, fixed fields not as the program
// fills them).
std::int32_t OpenRequestRefusal(const I2COpenParams& params, const AdapterEventCallback& callback,
                                const char* logFileName, AdapterLinkState link);

// How every library hands over the reply of the last master transfer: the
// reply's first `capacity` bytes, and their number; 0x322 while a transfer
// still runs, 0x323 when the last transfer ended without a reply.
std::int32_t HandOverReply(bool transferRunning,
                           const std::optional<std::vector<std::uint8_t>>& lastReply, int capacity,
                           std::uint8_t* buffer, int& length);
