#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "i2cdev/I2cDevAdapter.h"
#include "tests/i2cdev/EventLog.h"
#include "tests/i2cdev/FakeI2cDev.h"

namespace {

using Call = FakeI2cDev::Call;

constexpr int kBus = 6;   // /dev/i2c-6
constexpr int kPort = 7;  // its entry in the port list
constexpr std::uint8_t kBattery = 0x16;
constexpr std::uint8_t kChip = 0x0B;
constexpr unsigned long kCp2112Functions = I2C_FUNC_I2C | I2C_FUNC_SMBUS_BYTE |
                                           I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_WORD_DATA |
                                           I2C_FUNC_SMBUS_BLOCK_DATA | I2C_FUNC_SMBUS_I2C_BLOCK;

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

// Collects what the library logs for the person, from whatever thread.
class LoggedLines {
 public:
  std::function<void(const std::string&)> Sink() {
    return [this](const std::string& line) {
      std::lock_guard lock(mutex_);
      text_ += line;
    };
  }
  std::string Text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    text_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

class I2cDevAdapterTest : public ::testing::Test {
 protected:
  I2cDevAdapterTest() {
    sysfs.AddUsbBus(kBus, "CP2112 SMBus Bridge on hidraw0");
    sysfs.AddMotherboardBus(0, "SMBus I801 adapter at efa0");
    AddAdapter(kCp2112Functions);
    kernel.AddNode(sysfs.Node(0), I2C_FUNC_SMBUS_EMUL);
  }
  void AddAdapter(unsigned long functionality) {
    FakeI2cDev::Node node;
    node.functionality = functionality;
    node.chips[kChip].words[0x09] = 0x2AF8;
    node.chips[kChip].blocks[0x20] = Bytes("ACME");
    node.chips[kChip].blocks[0x23] = std::vector<std::uint8_t>(32, 0x41);
    kernel.AddNode(sysfs.Node(kBus), node);
  }
  void Start(I2cDevOptions options = {}) {
    options.warn = said.Sink();
    adapter = std::make_unique<I2cDevAdapter>(kernel, directory, options);
  }
  std::int32_t Open(int port = kPort) {
    return adapter->I2COpen(MakeOpenParams(static_cast<std::uint8_t>(port)), events.Callback(),
                            kAdapterLogFileName);
  }
  void StartOpen(I2cDevOptions options = {}) {
    Start(options);
    ASSERT_EQ(Open(), 0);
    ASSERT_EQ(events.Next(), AdapterEvent::LinkOpen);
  }
  std::int32_t Read(std::uint8_t command, int receiveLength, std::uint8_t address = kBattery) {
    return adapter->I2CMasterTxRx(address, &command, 1, receiveLength, 1);
  }
  // The reply's first bytes; replyLength is how many the adapter handed over.
  std::vector<std::uint8_t> Reply(std::size_t length) {
    std::uint8_t buffer[100] = {};
    EXPECT_EQ(adapter->I2CGetMasterRxMsg(100, buffer, replyLength), return_code::kAccepted);
    return {buffer, buffer + length};
  }
  int replyLength = 0;
  bool LinkOpen() {
    I2CStatusRecord status;
    adapter->I2CGetStatus(status);
    return status.linkOpen != 0;
  }

  FakeI2cDev kernel;
  FakeSysfs sysfs;
  I2cBusDirectory directory{sysfs.Sys(), sysfs.Dev()};
  EventLog events;
  LoggedLines said;
  std::unique_ptr<I2cDevAdapter> adapter;
};

TEST_F(I2cDevAdapterTest, OpenReportsLinkOpenFromTheLibrarysOwnThread) {
  StartOpen();
  EXPECT_TRUE(LinkOpen());
  EXPECT_EQ(kernel.OpenDescriptors(), 1);
  EXPECT_EQ(kernel.Calls(Call::Funcs), 1);
  EXPECT_EQ(events.Threads().count(std::this_thread::get_id()), 0u);
  EXPECT_EQ(Open(), return_code::kLinkAlreadyOpen);
}

TEST_F(I2cDevAdapterTest, PortZeroAndPortsAboveNinetyNineNeverOpenAnything) {
  Start();
  EXPECT_EQ(Open(0), return_code::kInvalidComPort);
  EXPECT_EQ(Open(100), return_code::kInvalidComPort);
  adapter->WaitUntilIdle();
  EXPECT_EQ(kernel.Calls(Call::Open), 0);
  EXPECT_TRUE(events.All().empty());
}

TEST_F(I2cDevAdapterTest, AnAdapterThatCannotBeUsedAnswersNotResponding) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    I2cDevOptions options;
    int port;
  };
  const Case cases[] = {
      {"permission", [&] { kernel.Fail(Call::Open, EACCES); }, {}, kPort},
      {"functionality", [&] { kernel.Fail(Call::Funcs, EIO); }, {}, kPort},
      {"no words", [&] { AddAdapter(I2C_FUNC_I2C); }, {}, kPort},
      {"no such bus", [] {}, {}, 42},
      {"not USB", [] {}, {}, 1},
      {"no PEC", [] {}, {false, true}, kPort},
      {"PEC refused",
       [&] {
         AddAdapter(kCp2112Functions | I2C_FUNC_SMBUS_PEC);
         kernel.Fail(Call::Pec, EINVAL);
       },
       {false, true},
       kPort},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.arrange();
    Start(c.options);
    said.Clear();
    ASSERT_EQ(Open(c.port), 0);
    EXPECT_EQ(events.Next(), AdapterEvent::NotResponding);
    EXPECT_FALSE(LinkOpen());
    EXPECT_EQ(kernel.OpenDescriptors(), 0);
    EXPECT_FALSE(said.Text().empty());
    adapter.reset();
    AddAdapter(kCp2112Functions);
  }
  EXPECT_EQ(kernel.Calls(Call::Open), 5)
      << "neither the missing bus nor the motherboard's is opened";
}

TEST_F(I2cDevAdapterTest, AllBusesOpensTheMotherboardsBusToo) {
  Start({true, false});
  ASSERT_EQ(Open(1), 0);
  EXPECT_EQ(events.Next(), AdapterEvent::LinkOpen);
}

TEST_F(I2cDevAdapterTest, AWordReadGivesLowByteThenHighByte) {
  StartOpen();
  ASSERT_EQ(Read(0x09, 2), 0);
  EXPECT_EQ(events.Next(), AdapterEvent::MasterRxComplete);
  EXPECT_EQ(Reply(2), (std::vector<std::uint8_t>{0xF8, 0x2A}));
}

TEST_F(I2cDevAdapterTest, AWordWriteReachesTheChip) {
  StartOpen();
  const std::uint8_t data[3] = {0x01, 0x0A, 0x01};
  ASSERT_EQ(adapter->I2CMasterTx(kBattery, data, 3, 1), 0);
  EXPECT_EQ(events.Next(), AdapterEvent::MasterTxComplete);
  EXPECT_EQ(kernel.Word(sysfs.Node(kBus), kChip, 0x01), 0x010A);
}

TEST_F(I2cDevAdapterTest, BlockReadsGiveTheCountThenTheBytesWhateverTheMethod) {
  struct Case {
    const char* method;
    unsigned long functionality;
    std::string expectedLongBlock;  // of the 32-byte block, as handed over
  };
  const Case cases[] = {
      {"SMBus block", I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_READ_BLOCK_DATA,
       std::string(1, '\x20') + std::string(32, 'A')},
      {"plain I2C", I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_I2C,
       std::string(1, '\x20') + std::string(32, 'A')},
      // An I2C block read brings 32 bytes: the count, then 31 data bytes. The
      // block is handed over as it came, its count saying 32, never as a
      // whole one.
      {"I2C block", I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_I2C_BLOCK,
       std::string(1, '\x20') + std::string(31, 'A')},
  };
  // An adapter whose driver does nothing of its own with an SMBus Block Read.
  sysfs.RemoveBus(kBus);
  sysfs.AddUsbBus(kBus, "i2c-tiny-usb at bus 001 device 004");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    AddAdapter(c.functionality);
    StartOpen();
    ASSERT_EQ(Read(0x20, 0), 0);
    ASSERT_EQ(events.Next(), AdapterEvent::MasterRxComplete);
    EXPECT_EQ(Reply(6), (std::vector<std::uint8_t>{4, 'A', 'C', 'M', 'E', 0}));
    ASSERT_EQ(Read(0x23, 0), 0);
    ASSERT_EQ(events.Next(), AdapterEvent::MasterRxComplete);
    EXPECT_EQ(Reply(c.expectedLongBlock.size()), Bytes(c.expectedLongBlock));
    EXPECT_EQ(replyLength, static_cast<int>(c.expectedLongBlock.size()));
    adapter.reset();
  }
}

TEST_F(I2cDevAdapterTest, APlainReadTooLongForTheAdapterFallsBackToAnI2cBlockRead) {
  FakeI2cDev::Node node;
  node.functionality = I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_I2C | I2C_FUNC_SMBUS_I2C_BLOCK;
  node.maxReadLength = 26;
  node.chips[kChip].blocks[0x20] = Bytes("ACME");
  kernel.AddNode(sysfs.Node(kBus), node);
  StartOpen();
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(Read(0x20, 0), 0);
    ASSERT_EQ(events.Next(), AdapterEvent::MasterRxComplete);
    EXPECT_EQ(Reply(5), (std::vector<std::uint8_t>{4, 'A', 'C', 'M', 'E'}));
  }
  EXPECT_EQ(kernel.Calls(Call::Rdwr), 1) << "the refused method is not tried again";
}

// A USB bridge reads a counted block by a plain I2C write-then-read, and a
// transfer that stopped after its first message is a bus error. Where the
// plain read is refused: another adapter's SMBus Block Read brings the block
// whole; hid-cp2112's asks for 32 bytes in all, the count included, so a full
// block's last byte never comes; an FT260's is never used (it brings only the
// count), its I2C block read standing in. A block cut short is handed over as
// such, never as whole, and a count above 32 is a bus error.
TEST_F(I2cDevAdapterTest, ACountedBlockIsReadByPlainI2cFirstAndNeverShownWholeWhenCut) {
  const char* const cp2112 = "CP2112 SMBus Bridge on hidraw0";
  const char* const ft260 = "FT260 usb-i2c bridge on hidraw1";
  const struct {
    const char* adapter;
    int maxReadLength;
    int messagesTransferred;
    std::size_t blockSize;
    int received;   // data bytes handed over; -1: a bus error
    bool fellBack;  // an SMBus call read the block after the plain read
    const char* logged;
  } cases[] = {
      {cp2112, 1000, 2, 32, 32, false, ""},
      {cp2112, 1000, 1, 4, -1, false, ""},
      {cp2112, 26, 2, 32, 31, true, "claims 32 bytes; the adapter read 31"},
      {"i2c-tiny-usb at bus 001 device 004", 26, 2, 32, 32, true, ""},
      {ft260, 26, 2, 32, 31, true, ""},
      {ft260, 26, 2, 40, -1, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.adapter) + " reading " + std::to_string(c.blockSize) +
                 " bytes, plain reads up to " + std::to_string(c.maxReadLength));
    sysfs.RemoveBus(kBus);
    sysfs.AddUsbBus(kBus, c.adapter);
    FakeI2cDev::Node node;
    node.functionality = kCp2112Functions;
    node.maxReadLength = c.maxReadLength;
    node.messagesTransferred = c.messagesTransferred;
    node.chips[kChip].blocks[0x23] = Bytes(std::string(c.blockSize, 'A'));
    kernel.AddNode(sysfs.Node(kBus), node);
    said.Clear();
    const int plainReads = kernel.Calls(Call::Rdwr);
    const int smbusCalls = kernel.Calls(Call::Smbus);
    StartOpen();
    ASSERT_EQ(Read(0x23, 0), 0);
    if (c.received < 0) {
      EXPECT_EQ(events.Next(), AdapterEvent::BusError);
    } else {
      ASSERT_EQ(events.Next(), AdapterEvent::MasterRxComplete);
      const std::size_t received = static_cast<std::size_t>(c.received);
      EXPECT_EQ(Reply(received + 1),
                Bytes(std::string(1, static_cast<char>(c.blockSize)) + std::string(received, 'A')));
      EXPECT_EQ(replyLength, c.received + 1);
    }
    EXPECT_EQ(kernel.Calls(Call::Rdwr) - plainReads, 1);
    EXPECT_EQ(kernel.Calls(Call::Smbus) > smbusCalls, c.fellBack);
    EXPECT_NE(said.Text().find(c.logged), std::string::npos) << said.Text();
    adapter.reset();
  }
}

TEST_F(I2cDevAdapterTest, PecIsSwitchedOnAndABadChecksumIsABusError) {
  AddAdapter(kCp2112Functions | I2C_FUNC_SMBUS_PEC);
  StartOpen({false, true});
  EXPECT_TRUE(kernel.PecOn(sysfs.Node(kBus)));
  kernel.SetCorruptPec(sysfs.Node(kBus), true);
  ASSERT_EQ(Read(0x09, 2), 0);
  EXPECT_EQ(events.Next(), AdapterEvent::BusError);
}

TEST_F(I2cDevAdapterTest, ThePlainI2cBlockReadChecksThePecByteItself) {
  AddAdapter(I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL);
  StartOpen({false, true});
  ASSERT_EQ(Read(0x20, 0), 0);
  ASSERT_EQ(events.Next(), AdapterEvent::MasterRxComplete);
  EXPECT_EQ(Reply(5), (std::vector<std::uint8_t>{4, 'A', 'C', 'M', 'E'}));
  kernel.SetCorruptPec(sysfs.Node(kBus), true);
  ASSERT_EQ(Read(0x20, 0), 0);
  EXPECT_EQ(events.Next(), AdapterEvent::BusError);
}

TEST_F(I2cDevAdapterTest, KernelErrorsReachTheProgramAsEventsOfTheTable) {
  StartOpen();
  const std::pair<int, AdapterEvent> cases[] = {
      {ENXIO, AdapterEvent::SlaveNack},        {ETIMEDOUT, AdapterEvent::SlaveNack},
      {EAGAIN, AdapterEvent::ArbitrationLoss}, {EIO, AdapterEvent::BusError},
      {EPROTO, AdapterEvent::BusError},        {EBUSY, AdapterEvent::BusError},
  };
  for (const auto& [error, event] : cases) {
    kernel.Fail(Call::Smbus, error);
    ASSERT_EQ(Read(0x09, 2), 0);
    EXPECT_EQ(events.Next(), event) << error;
    std::uint8_t buffer[100];
    int length = 0;
    EXPECT_EQ(adapter->I2CGetMasterRxMsg(100, buffer, length), return_code::kNotAccepted);
  }
  EXPECT_TRUE(LinkOpen());
}

// hid-cp2112's ETIMEDOUT is a NACK, a held bus or a held clock: the warning
// names them all, once, however often the link is opened again.
TEST_F(I2cDevAdapterTest, AnErrorThatFoldsSeveralFaultsIsExplainedOnce) {
  StartOpen();
  for (int open = 0; open < 2; ++open) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      kernel.Fail(Call::Smbus, ETIMEDOUT);
      ASSERT_EQ(Read(0x09, 2), 0);
      EXPECT_EQ(events.Next(), AdapterEvent::SlaveNack);
    }
    ASSERT_EQ(adapter->I2CClose(), 0);
    ASSERT_EQ(Open(), 0);
    ASSERT_EQ(events.Next(), AdapterEvent::LinkOpen);
  }
  const std::string text = said.Text();
  const std::string::size_type at =
      text.find("which it reports alike for an address that does not");
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_EQ(text.find("which it reports alike", at + 1), std::string::npos) << text;
  EXPECT_NE(text.find("a bus held low"), std::string::npos);
}

// An address that a kernel driver holds is refused by i2c-dev (EBUSY) for
// word and block reads alike; the warning names the driver and how to let the
// address go.
TEST_F(I2cDevAdapterTest, AnAddressHeldByAKernelDriverIsBusyAndTheWarningSaysHowToFreeIt) {
  sysfs.AddBoundClient(kBus, 0x0C, "sbs-battery");
  StartOpen();
  for (const int receiveLength : {2, 0}) {
    kernel.Fail(Call::SetSlave, EBUSY);
    ASSERT_EQ(Read(receiveLength == 2 ? 0x09 : 0x20, receiveLength, 0x18), 0);
    EXPECT_EQ(events.Next(), AdapterEvent::Busy) << receiveLength;
    EXPECT_NE(said.Text().find("address 18 (7-bit 0x0c) is held by the kernel driver "
                               "sbs-battery; free it with: echo 6-000c | sudo tee "
                               "/sys/bus/i2c/drivers/sbs-battery/unbind"),
              std::string::npos)
        << said.Text();
    said.Clear();
  }
  EXPECT_EQ(kernel.Calls(Call::Rdwr), 0) << "a held address is not read around its driver";
  EXPECT_TRUE(LinkOpen());
}

TEST_F(I2cDevAdapterTest, ASilentAddressIsANackAndTheLinkStaysOpen) {
  FakeI2cDev::Node node;
  node.functionality = kCp2112Functions;
  node.silentAddressError = ENODEV;
  kernel.AddNode(sysfs.Node(kBus), node);
  StartOpen();
  ASSERT_EQ(Read(0x09, 2, 0x20), 0);
  EXPECT_EQ(events.Next(), AdapterEvent::SlaveNack);
  EXPECT_TRUE(LinkOpen());
  EXPECT_EQ(kernel.OpenDescriptors(), 1);
}

TEST_F(I2cDevAdapterTest, AnAdapterUnpluggedMidTransactionClosesTheLinkAsNotResponding) {
  // The USB bridges' drivers fail the transfer cut by an unplug with ENODEV,
  // or EPROTO when a USB transfer was under way; hid-mcp2221 already waiting
  // for the chip's answer times out.
  for (const int error : {ENODEV, EPROTO, ETIMEDOUT}) {
    SCOPED_TRACE(error);
    FakeI2cDev::Node node;
    node.functionality = kCp2112Functions;
    node.chips[kChip].words[0x09] = 0x2AF8;
    node.unpluggedError = error;
    kernel.AddNode(sysfs.Node(kBus), node);
    said.Clear();
    StartOpen();
    kernel.HoldNext();
    ASSERT_EQ(Read(0x09, 2), 0);
    kernel.WaitUntilHeld();
    kernel.Unplug(sysfs.Node(kBus));
    kernel.Release();
    EXPECT_EQ(events.Next(), AdapterEvent::NotResponding);
    EXPECT_FALSE(LinkOpen());
    adapter->WaitUntilIdle();
    EXPECT_EQ(kernel.OpenDescriptors(), 0);
    EXPECT_NE(said.Text().find("went away"), std::string::npos);
    EXPECT_EQ(Read(0x09, 2), return_code::kLinkNotOpen);
    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(events.Next(), AdapterEvent::NotResponding) << "plugged out, it cannot open again";
    adapter.reset();
  }
}

// Unplugged between two opens, its number taken by the next adapter plugged
// in: the link does not open on that one unawares, whatever it is; told once,
// the next open takes it.
TEST_F(I2cDevAdapterTest, AnAdapterReplacedUnderItsNumberBetweenTwoOpensIsNotTakenForIt) {
  StartOpen();
  ASSERT_EQ(adapter->I2CClose(), 0);
  adapter->WaitUntilIdle();
  sysfs.RemoveBus(kBus);
  sysfs.AddBus(kBus, "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:04D8:00DD.0002",
               "MCP2221 usb-i2c bridge");
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(events.Next(), AdapterEvent::NotResponding);
  EXPECT_EQ(kernel.Calls(Call::Open), 1) << "the new adapter was not opened";
  EXPECT_NE(said.Text().find("i2c-6 (MCP2221 usb-i2c bridge): not the adapter opened on it "
                             "before (CP2112 SMBus Bridge on hidraw0): that one was unplugged"),
            std::string::npos)
      << said.Text();
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(events.Next(), AdapterEvent::LinkOpen);
}

TEST_F(I2cDevAdapterTest, CloseWhileATransactionIsInFlightReturnsAtOnceAndNoEventFollows) {
  StartOpen();
  kernel.HoldNext();
  ASSERT_EQ(Read(0x09, 2), 0);
  kernel.WaitUntilHeld();
  EXPECT_EQ(adapter->I2CClose(), 0);
  EXPECT_FALSE(LinkOpen());
  kernel.Release();
  adapter->WaitUntilIdle();
  EXPECT_EQ(events.All(), std::vector{AdapterEvent::LinkOpen});
  EXPECT_EQ(kernel.OpenDescriptors(), 0);
}

TEST_F(I2cDevAdapterTest, CloseFromWithinTheCallbackDoesNotWaitForItself) {
  Start();
  std::atomic<int> delivered = 0;
  ASSERT_EQ(adapter->I2COpen(
                MakeOpenParams(kPort),
                [&](std::int32_t) {
                  adapter->I2CClose();
                  ++delivered;
                },
                kAdapterLogFileName),
            0);
  adapter->WaitUntilIdle();
  EXPECT_EQ(delivered, 1);
  EXPECT_FALSE(LinkOpen());
}

TEST_F(I2cDevAdapterTest, CloseAndReopenUseAFreshDescriptorEachTime) {
  for (int round = 0; round < 3; ++round) {
    if (round == 0) {
      StartOpen();
    } else {
      ASSERT_EQ(Open(), 0);
      ASSERT_EQ(events.Next(), AdapterEvent::LinkOpen);
    }
    ASSERT_EQ(Read(0x09, 2), 0);
    ASSERT_EQ(events.Next(), AdapterEvent::MasterRxComplete);
    EXPECT_EQ(adapter->I2CClose(), 0);
    adapter->WaitUntilIdle();
    EXPECT_EQ(kernel.OpenDescriptors(), 0);
  }
  EXPECT_EQ(kernel.Calls(Call::Open), 3);
}

TEST_F(I2cDevAdapterTest, RefusesWhatItCannotDoWithTheLibrarysCodes) {
  Start();
  std::uint8_t buffer[100];
  EXPECT_EQ(Read(0x09, 2), return_code::kLinkNotOpen);
  EXPECT_EQ(adapter->I2CGetSlaveRxMsg(1, buffer), return_code::kNotImplemented);
  EXPECT_EQ(adapter->I2CSlaveTx(buffer, 16), return_code::kNotImplemented);
  I2COpenParams changed = MakeOpenParams(kPort);
  changed.fixed22 = 7;
  EXPECT_EQ(adapter->I2COpen(changed, events.Callback(), kAdapterLogFileName),
            return_code::kInvalidOpenParameter);
  EXPECT_EQ(adapter->I2COpen(MakeOpenParams(kPort), {}, kAdapterLogFileName),
            return_code::kNilPointer);

  kernel.HoldNext(Call::Funcs);
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(Open(), return_code::kOpenInProgress);
  kernel.Release();
  ASSERT_EQ(events.Next(), AdapterEvent::LinkOpen);
  kernel.HoldNext();
  ASSERT_EQ(Read(0x09, 2), 0);
  EXPECT_EQ(Read(0x09, 2), return_code::kOperationInProgress);
  int length = 0;
  EXPECT_EQ(adapter->I2CGetMasterRxMsg(100, buffer, length), return_code::kOperationInProgress);
  kernel.Release();
  EXPECT_EQ(events.Next(), AdapterEvent::MasterRxComplete);
  const std::uint8_t twoBytes[2] = {0x01, 0x02};
  EXPECT_EQ(adapter->I2CMasterTx(kBattery, twoBytes, 2, 1), return_code::kNotAccepted);
  EXPECT_EQ(adapter->I2CMasterTx(kBattery, twoBytes, 3, 0), return_code::kInvalidNackStop);
  EXPECT_EQ(Read(0x09, 1), return_code::kNotAccepted);
}

}  // namespace
