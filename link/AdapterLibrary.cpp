#include "AdapterLibrary.h"

#include <algorithm>

I2COpenParams MakeOpenParams(std::uint8_t comPort) {
  I2COpenParams params;
  params.comPort = comPort;
  params.callbackToken = kCallbackToken;
  params.logFileNameToken = kLogFileNameToken;
  return params;
}

std::int32_t HandOverReply(bool transferRunning,
                           const std::optional<std::vector<std::uint8_t>>& lastReply, int capacity,
                           std::uint8_t* buffer) {
  if (buffer == nullptr) return return_code::kNilPointer;
  if (transferRunning) return return_code::kOperationInProgress;
  if (!lastReply) return return_code::kNotAccepted;
  const auto count = std::min<std::size_t>(std::max(capacity, 0), lastReply->size());
  std::copy_n(lastReply->begin(), count, buffer);
  return return_code::kAccepted;
}
