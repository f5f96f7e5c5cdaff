// The real window on the i2c-dev bundle, over a fake kernel and a fake sysfs.
#include <QLineEdit>
#include <QTest>

#include "i2cdev/I2cDevAdapter.h"
#include "i2cdev/I2cDevBusProbe.h"
#include "i2cdev/I2cDevPorts.h"
#include "tests/app/AppFixture.h"
#include "tests/i2cdev/FakeI2cDev.h"

namespace {

class RealAdapterWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sysfs.AddMotherboardBus(0, "SMBus I801 adapter at efa0");
    sysfs.AddUsbBus(7, "CP2112 SMBus Bridge on hidraw0");
    FakeI2cDev::Node cp2112;
    cp2112.functionality = I2C_FUNC_I2C | I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA;
    for (std::uint8_t command = 0; command <= 0x1C; ++command) {
      cp2112.chips[0x0B].words[command] = static_cast<std::uint16_t>(1000 + command);
    }
    for (std::uint8_t command = 0x20; command <= 0x23; ++command) {
      cp2112.chips[0x0B].blocks[command] = {'P', 'X',
                                            static_cast<std::uint8_t>('0' + command - 0x20)};
    }
    kernel.AddNode(sysfs.Node(0), I2C_FUNC_SMBUS_EMUL);
    kernel.AddNode(sysfs.Node(7), cp2112);
    this->cp2112 = cp2112;
    windows = std::make_unique<ProgramWindows>(PlatformBundle{adapter, ports, probe},
                                               [](std::chrono::milliseconds) {});
    form().show();
  }
  void TearDown() override { windows.reset(); }
  TMainForm& form() { return windows->MainForm(); }
  QString Field(const char* stem) {
    return form().findChild<QLineEdit*>(QString::fromLatin1(stem) + "Data")->text();
  }

  FakeSysfs sysfs;
  FakeI2cDev kernel;
  FakeI2cDev::Node cp2112;
  I2cBusDirectory directory{sysfs.Sys(), sysfs.Dev()};
  I2cDevAdapter adapter{kernel, directory, {}};
  I2cDevPorts ports{kernel, directory, {}};
  I2cDevBusProbe probe{kernel, directory, {}};
  std::unique_ptr<ProgramWindows> windows;
};

TEST_F(RealAdapterWindowTest, TheListOffersTheUsbAdapterAndItsHintNamesIt) {
  EXPECT_EQ(Entries(form().ComPortListBox), (QStringList{"8", ""}));
  const QStringList hint = form().ComPortListBox->toolTip().split('\n');
  EXPECT_EQ(hint.value(0), "Select PC ComPort");
  EXPECT_EQ(hint.value(1), QStringLiteral("8 = %1, CP2112 SMBus Bridge on hidraw0")
                               .arg(QString::fromStdString(sysfs.Node(7))));
}

TEST_F(RealAdapterWindowTest, RealAdaptersGetTheStandardTitleAndNoEmulatedMark) {
  EXPECT_EQ(form().windowTitle(), "Dalvern Corp. -  Pelmor");
  EXPECT_EQ(windows->AboutBox().findChild<QLabel*>("EmulatedRig"), nullptr);
}

TEST_F(RealAdapterWindowTest, TheEmptyEntryOpensNothing) {
  form().ComPortListBox->setCurrentRow(1);
  const int opens = kernel.Calls(FakeI2cDev::Call::Open);
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  EXPECT_EQ(form().DataBox->text(), "<<Invalid Communication Port Number>>");
  adapter.WaitUntilIdle();
  EXPECT_EQ(kernel.Calls(FakeI2cDev::Call::Open), opens);
}

TEST_F(RealAdapterWindowTest, OnePressReadsEveryRegisterThroughTheKernel) {
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Read Data"; }, 10000));
  EXPECT_EQ(Field("Voltage"), "1009");
  EXPECT_EQ(Field("SerialNumber"), "1028");
  EXPECT_EQ(Field("DeviceName"), "\"PX1\"");
  EXPECT_EQ(Field("ManufacturerData"), "50,58,33");
  adapter.WaitUntilIdle();
  EXPECT_EQ(kernel.OpenDescriptors(), 0) << "the pass closed the link";
}

TEST_F(RealAdapterWindowTest, AnAdapterUnpluggedInAScanShowsNotRespondingAndTheWindowRecovers) {
  kernel.HoldNext(FakeI2cDev::Call::Smbus);
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return kernel.Calls(FakeI2cDev::Call::Smbus) >= 1; }, 5000));
  sysfs.RemoveBus(7);
  kernel.Unplug(sysfs.Node(7));
  kernel.Release();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return form().DataBox->text() == "<<Kavix Not Responding, Check ComPort, Power...>>"; },
      5000));
  // The scan goes on until the person stops it.
  ASSERT_EQ(form().ReadDataBtn->text(), "Stop");
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Read Data"; }, 5000));
  adapter.WaitUntilIdle();
  EXPECT_EQ(kernel.OpenDescriptors(), 0) << "the lost adapter's descriptor is closed";

  // Plugged back in, it comes back under another bus number.
  sysfs.AddBus(8, "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:10C4:EA90.0002",
               "CP2112 SMBus Bridge on hidraw1");
  kernel.AddNode(sysfs.Node(8), cp2112);
  QTest::mouseClick(form().RefreshButton, Qt::LeftButton);
  EXPECT_EQ(Entries(form().ComPortListBox), (QStringList{"9", ""}));
  QTest::mouseClick(form().ReadDataBtn, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Stop"; }, 2000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().ReadDataBtn->text() == "Read Data"; }, 10000));
  EXPECT_EQ(Field("Voltage"), "1009");
  EXPECT_EQ(Field("ManufacturerData"), "50,58,33");
}

}  // namespace
