#include "link/ReturnCodeText.h"

#include <array>
#include <utility>

#include "battery/HexText.h"
#include "link/adapter/AdapterLibrary.h"

namespace {

using namespace return_code;

constexpr std::array<std::pair<std::int32_t, const char*>, 18> kTexts{{
    {kLinkAlreadyOpen, "I2C Link is Already Open"},
    {kOpenInProgress, "I2C Link Operation in Progress"},
    {kLogFileOpenError, "Log File Open Error"},
    {kInvalidComPort, "Invalid Communication Port Number"},
    {kInvalidOpenParameter, "Invalid Open Parameter"},
    {kInvalidMessageNumber, "Invalid Windows Msg Number"},
    {kInvalidSlaveAddress, "Invalid I2C Slave Address Assignment"},
    {kInvalidBitRate, "Invalid I2C Bit Rate Assignment"},
    {kOutOfMemory, "Unable to Allocate Memory Buffer"},
    {kLinkNotOpen, "I2C Link Not Open"},
    {kOperationInProgress, "I2C Link Operation in Progress"},
    {kNotAccepted, "Operation Not Accepted"},
    {kLengthTooLarge, "Length Argument > MasterTxBufferSize"},
    {kSystemFailure, "System Failure, See Log File"},
    {kInvalidNackStop, "Invalid Nack/Stop Combination"},
    {kNeedsFirmwareUpgrade, "Tx/Rx Requires Kavix Firmware Upgrade"},
    {kNilPointer, "Nil Pointer Argument Detected"},
    {kNotImplemented, "Function Not Implemented"},
}};

}  // namespace

QString ReturnCodeText(std::int32_t code) {
  for (const auto& [known, text] : kTexts) {
    if (known == code) return QString::fromLatin1(text);
  }
  // A negative code shows as its 32-bit two's complement, eight digits.
  return QStringLiteral("Kavix DLL Return Code = 0x") +
         HexText(static_cast<std::uint32_t>(code), 4);
}

QString StatusText(const QString& text) {
  return QStringLiteral("<<") + text + QStringLiteral(">>");
}
