#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "link/AddressList.h"
#include "link/ReturnCodeText.h"
#include "link/adapter/AdapterLibrary.h"
#include "link/adapter/BusAddress.h"
#include "tests/support/QtPrinters.h"

namespace {

template <typename Record>
std::array<std::uint8_t, sizeof(Record)> BytesOf(const Record& record) {
  std::array<std::uint8_t, sizeof(Record)> bytes{};
  std::memcpy(bytes.data(), &record, sizeof(Record));
  return bytes;
}

TEST(AdapterRecordsTest, OpenParamsAreFiftyBytesWithEveryFieldAtItsOffset) {
  const auto bytes = BytesOf(MakeOpenParams(3));
  const std::array<std::uint8_t, 50> expected{
      3,    0, 0, 0, 0, 0, 0, 0, 0,  // port, 8 zero bytes
      0,    0, 0, 0,                 // 9: u32 0
      1,    0, 0, 0,                 // 13: callback token
      2,    0, 0, 0,                 // 17: log file name token
      0,                             // 21
      100,  0, 0, 0,                 // 22
      254,                           // 26
      0xE8, 3, 0, 0,                 // 27: 1000
      2,                             // 31
      0,    0, 0, 0,                 // 32
      0,    0, 0, 0,                 // 36
      0,                             // 40
      1,                             // 41
      100,  0, 0, 0,                 // 42
      0,    0, 0, 0,                 // 46
  };
  EXPECT_EQ(bytes, expected);
}

TEST(AdapterRecordsTest, StatusRecordCarriesTheLinkFlagAtByteFiftyEight) {
  I2CStatusRecord status;
  status.linkOpen = 0x01020304;
  const auto bytes = BytesOf(status);
  ASSERT_EQ(bytes.size(), 99u);
  for (int i = 0; i < 99; ++i) {
    const int expected = i == 58 ? 4 : i == 59 ? 3 : i == 60 ? 2 : i == 61 ? 1 : 0;
    EXPECT_EQ(bytes[i], expected) << "byte " << i;
  }
}

// The lowest, the Smart Battery's and the highest address, each as its
// address byte, its read byte and its entry of the battery address list.
TEST(BusAddressTest, SevenBitAddressesAndAddressBytesConvertInBothDirections) {
  const struct {
    std::uint8_t sevenBit, write, read;
    const char* entryText;
  } cases[] = {{0x00, 0x00, 0x01, "00"}, {0x0B, 0x16, 0x17, "16"}, {0x7F, 0xFE, 0xFF, "FE"}};
  for (const auto& c : cases) {
    const SevenBitAddress address{c.sevenBit};
    EXPECT_EQ(AddressByteOf(address).value, c.write);
    EXPECT_EQ(ReadAddressByteOf(address).value, c.read);
    EXPECT_EQ(SevenBitAddressOf(AddressByte{c.write}), address);
    EXPECT_EQ(SevenBitAddressOf(AddressByte{c.read}), address);
    EXPECT_EQ(address_list::EntryText(c.sevenBit), c.entryText);
    EXPECT_EQ(address_list::EntryOf(QString::fromLatin1(c.entryText)), c.sevenBit);
    EXPECT_EQ(address_list::EntryOf(QString::number(c.read, 16)), std::nullopt) << "a read byte";
  }
}

TEST(ReturnCodeTextTest, EveryTabledCode) {
  const std::pair<int, const char*> table[] = {
      {0x301, "I2C Link is Already Open"},
      {0x302, "I2C Link Operation in Progress"},
      {0x303, "Log File Open Error"},
      {0x304, "Invalid Communication Port Number"},
      {0x305, "Invalid Open Parameter"},
      {0x306, "Invalid Windows Msg Number"},
      {0x307, "Invalid I2C Slave Address Assignment"},
      {0x308, "Invalid I2C Bit Rate Assignment"},
      {0x309, "Unable to Allocate Memory Buffer"},
      {0x321, "I2C Link Not Open"},
      {0x322, "I2C Link Operation in Progress"},
      {0x323, "Operation Not Accepted"},
      {0x324, "Length Argument > MasterTxBufferSize"},
      {0x325, "System Failure, See Log File"},
      {0x326, "Invalid Nack/Stop Combination"},
      {0x327, "Tx/Rx Requires Kavix Firmware Upgrade"},
      {0x331, "Nil Pointer Argument Detected"},
      {0x999, "Function Not Implemented"},
  };
  for (const auto& [code, text] : table) EXPECT_EQ(ReturnCodeText(code), text) << code;
}

TEST(ReturnCodeTextTest, UntabledCodesShowTheirHexDigits) {
  EXPECT_EQ(ReturnCodeText(0x400), "Kavix DLL Return Code = 0x0400");
  EXPECT_EQ(ReturnCodeText(0x7), "Kavix DLL Return Code = 0x0007");
  EXPECT_EQ(ReturnCodeText(0x1ABCD), "Kavix DLL Return Code = 0x1ABCD");
  EXPECT_EQ(ReturnCodeText(-1), "Kavix DLL Return Code = 0xFFFFFFFF");
  EXPECT_EQ(ReturnCodeText(0x310), "Kavix DLL Return Code = 0x0310");
}

TEST(ReturnCodeTextTest, StatusTextFramesWithoutSpaces) {
  EXPECT_EQ(StatusText(ReturnCodeText(0x304)), "<<Invalid Communication Port Number>>");
}

}  // namespace
