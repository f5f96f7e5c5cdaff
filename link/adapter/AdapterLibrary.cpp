#include "link/adapter/AdapterLibrary.h"

#include <algorithm>
#include <cstring>

I2COpenParams MakeOpenParams(std::uint8_t comPort) {
  I2COpenParams params;
  params.comPort = comPort;
  params.callbackToken = kCallbackToken;
  params.logFileNameToken = kLogFileNameToken;
  return params;
}

std::int32_t HandOverReply(bool transferRunning,
                           const std::optional<std::vector<std::uint8_t>>& lastReply, int capacity,
                           std::uint8_t* buffer, int& length) {
  length = 0;
  if (buffer == nullptr) return return_code::kNilPointer;
  if (transferRunning) return return_code::kOperationInProgress;
  if (!lastReply) return return_code::kNotAccepted;
  const auto count = std::min<std::size_t>(std::max(capacity, 0), lastReply->size());
  std::copy_n(lastReply->begin(), count, buffer);
  length = static_cast<int>(count);
  return return_code::kAccepted;
}

std::int32_t OpenRequestRefusal(const I2COpenParams& params, const AdapterEventCallback& callback,
                                const char* logFileName, AdapterLinkState link) {
  if (!callback || logFileName == nullptr || params.callbackToken == 0 ||
      params.logFileNameToken == 0) {
    return return_code::kNilPointer;
  }
  if (link == AdapterLinkState::Open) return return_code::kLinkAlreadyOpen;
  if (link == AdapterLinkState::Opening) return return_code::kOpenInProgress;
  const I2COpenParams expected = MakeOpenParams(params.comPort);
  if (std::memcmp(&params, &expected, sizeof params) != 0) {
    return return_code::kInvalidOpenParameter;
  }
  return return_code::kAccepted;
}
