#include "AdapterLibrary.h"

I2COpenParams MakeOpenParams(std::uint8_t comPort) {
  I2COpenParams params;
  params.comPort = comPort;
  params.callbackToken = kCallbackToken;
  params.logFileNameToken = kLogFileNameToken;
  return params;
}
