// Measures full 33-row read passes of the real main window on the threaded
// emulated rig, with real timers and the real event loop, and prints each
// pass's duration against its floor: 33 x 100 ms pacing plus the time the 33
// transfers take on the bus.
//
// Usage: scan_pass_benchmark [passes]   (default 10)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "EmulatedRig.h"
#include "ProgramWindows.h"
#include "SmbusTiming.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

// Passes every call on to the rig's adapter, noting when a pass's first
// transaction starts and when the link is closed at its end, and adding up
// the bus time of the transfers between.
class TimingAdapter : public AdapterLibrary {
 public:
  TimingAdapter(AdapterLibrary& inner, SmartBattery& battery) : inner_(inner), battery_(battery) {}

  std::optional<SteadyClock::time_point> firstTransaction;
  std::optional<SteadyClock::time_point> closed;
  std::chrono::microseconds busTime{0};
  int transactions = 0;

  void NewPass() {
    firstTransaction.reset();
    closed.reset();
    busTime = {};
    transactions = 0;
  }

  std::int32_t I2COpen(const I2COpenParams& params, AdapterEventCallback callback,
                       const char* logFileName) override {
    return inner_.I2COpen(params, std::move(callback), logFileName);
  }
  std::int32_t I2CClose() override {
    if (firstTransaction && !closed) closed = SteadyClock::now();
    return inner_.I2CClose();
  }
  std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                           int stop) override {
    return inner_.I2CMasterTx(address, data, length, stop);
  }
  std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data, int length,
                             int receiveLength, int stop) override {
    if (!firstTransaction) firstTransaction = SteadyClock::now();
    const auto sent = battery_.Read(data[0], std::chrono::microseconds(0));
    const int received = receiveLength != 0 ? receiveLength : 1 + (sent ? (*sent)[0] : 0);
    busTime += smbus_timing::ReadTime(received);
    ++transactions;
    return inner_.I2CMasterTxRx(address, data, length, receiveLength, stop);
  }
  std::int32_t I2CGetStatus(I2CStatusRecord& status) override {
    return inner_.I2CGetStatus(status);
  }
  std::int32_t I2CGetMasterRxMsg(int capacity, std::uint8_t* buffer) override {
    return inner_.I2CGetMasterRxMsg(capacity, buffer);
  }
  std::int32_t I2CGetSlaveRxMsg(int capacity, std::uint8_t* buffer) override {
    return inner_.I2CGetSlaveRxMsg(capacity, buffer);
  }
  std::int32_t I2CSlaveTx(const std::uint8_t* data, int length) override {
    return inner_.I2CSlaveTx(data, length);
  }

 private:
  AdapterLibrary& inner_;
  SmartBattery& battery_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

  const auto rig = EmulatedRig::Threaded();
  TimingAdapter adapter(rig->Adapter(), rig->Battery());
  ProgramWindows windows({adapter, rig->Ports()}, [](std::chrono::milliseconds) {});
  TMainForm& form = windows.MainForm();
  form.show();

  std::printf("pass  duration_ms  floor_ms  ratio\n");
  std::vector<double> ratios;
  for (int pass = 1; pass <= passes; ++pass) {
    adapter.NewPass();
    form.ReadDataBtnClick();
    while (!adapter.closed) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double duration = Millis(*adapter.closed - *adapter.firstTransaction).count();
    const double floor = 33 * 100.0 + Millis(adapter.busTime).count();
    ratios.push_back(duration / floor);
    std::printf("%4d  %11.2f  %8.2f  %.4f  (%d transactions)\n", pass, duration, floor,
                duration / floor, adapter.transactions);
  }
  std::sort(ratios.begin(), ratios.end());
  const double median = ratios[ratios.size() / 2];
  std::printf("median ratio %.4f (%.2f %% above the floor)\n", median, (median - 1) * 100);
  return 0;
}
