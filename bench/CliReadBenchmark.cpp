// Measures `pelmor read --emulated` of all 33 registers, a new process each
// run, against its floor: the start of the same executable answering
// --version, the emulated link's opening delay, and the bus time of the 33
// transfers. Prints the medians and their ratio.
//
// Usage: cli_read_benchmark [runs]   (default 20)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "battery/RegisterTable.h"
#include "battery/UnitClass.h"
#include "emulator/EmulatedAdapter.h"
#include "emulator/SmartBattery.h"
#include "emulator/SmbusTiming.h"

namespace {

using Millis = std::chrono::duration<double, std::milli>;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double RunMs(const QStringList& arguments) {
  QProcess process;
  QElapsedTimer timer;
  timer.start();
  process.start(QStringLiteral(PELMOR_EXECUTABLE), arguments);
  process.waitForFinished(60000);
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  if (process.exitCode() != 0) std::fprintf(stderr, "pelmor exited %d\n", process.exitCode());
  return ms;
}

// The bus time of one read of every register, as the emulated battery answers.
Millis TransferTime() {
  const SmartBattery battery;
  std::chrono::microseconds total{0};
  for (const RegisterDefinition& def : RegisterTable()) {
    const bool word =
        TransactionKindForUnitClass(QString::fromLatin1(def.unitClass)) == TransactionKind::Word;
    const auto sent = battery.Read(def.commandCode, std::chrono::microseconds(0));
    total += smbus_timing::ReadTime(word ? 2 : 1 + (sent ? (*sent)[0] : 0));
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

  std::vector<double> starts;
  std::vector<double> reads;
  for (int run = 0; run < runs; ++run) {
    starts.push_back(RunMs({QStringLiteral("--version")}));
    reads.push_back(RunMs({QStringLiteral("read"), QStringLiteral("--emulated")}));
  }
  const double start = Median(starts);
  const double open = Millis(EmulatedAdapter::kDefaultOpenDelay).count();
  const double transfers = TransferTime().count();
  const double floor = start + open + transfers;
  const double read = Median(reads);
  std::printf("runs                         %d\n", runs);
  std::printf("process start (--version)    %8.2f ms (median)\n", start);
  std::printf("emulated link opening        %8.2f ms\n", open);
  std::printf("33 transfers on the bus      %8.2f ms\n", transfers);
  std::printf("floor                        %8.2f ms\n", floor);
  std::printf("pelmor read --emulated       %8.2f ms (median)\n", read);
  std::printf("ratio                        %8.4f\n", read / floor);
  return 0;
}
