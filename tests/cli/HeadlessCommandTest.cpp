// The headless commands run in-process on a threaded emulated rig that the
// test has prepared with faults, as the program's entry would run them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QRegularExpression>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "cli/HeadlessCommand.h"
#include "cli/HeadlessScan.h"
#include "emulator/EmulatedRig.h"
#include "emulator/ForwardingAdapter.h"
#include "link/AddressList.h"

namespace {

enum class Between { Nothing, GarbleWrites, InterruptWithSigint, InterruptWithSigterm };

// Hands every call to the rig's adapter, and may come between: a write that
// reaches the battery with its low byte changed (a battery that does not keep
// what it was sent), or a signal sent to the program as the first transaction
// is issued (a job interrupted in its first pass).
class MeddlingAdapter : public ForwardingAdapter {
 public:
  MeddlingAdapter(AdapterLibrary& target, Between between)
      : ForwardingAdapter(target), between_(between) {}
  std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                           int stop) override {
    Interrupt();
    std::vector<std::uint8_t> sent(data, data + length);
    if (between_ == Between::GarbleWrites) sent[1] ^= 0x01;
    return ForwardingAdapter::I2CMasterTx(address, sent.data(), length, stop);
  }
  std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data, int length,
                             int receiveLength, int stop) override {
    Interrupt();
    return ForwardingAdapter::I2CMasterTxRx(address, data, length, receiveLength, stop);
  }

 private:
  void Interrupt() {
    if (between_ == Between::InterruptWithSigint) ::kill(::getpid(), SIGINT);
    if (between_ == Between::InterruptWithSigterm) ::kill(::getpid(), SIGTERM);
    if (between_ != Between::GarbleWrites) between_ = Between::Nothing;
  }
  Between between_;
};

class PreparedRig : public Platform {
 public:
  PreparedRig(std::unique_ptr<EmulatedRig> rig, Between between)
      : rig_(std::move(rig)), meddling_(rig_->Adapter(), between) {}
  PlatformBundle Bundle() override { return {meddling_, rig_->Ports(), rig_->Probe()}; }

 private:
  std::unique_ptr<EmulatedRig> rig_;
  MeddlingAdapter meddling_;
};

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome RunCommand(std::vector<std::string> arguments,
                   const std::function<void(EmulatedRig&)>& prepare,
                   Between between = Between::Nothing) {
  arguments.insert(arguments.begin(), "pelmor");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(arguments.size());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = RunHeadlessCommand(argc, argv.data(), [&](const PlatformOptions&) {
    auto rig = EmulatedRig::Threaded();
    prepare(*rig);
    return std::make_unique<PreparedRig>(std::move(rig), between);
  });
  const std::string out = testing::internal::GetCapturedStdout();
  return {status, out, testing::internal::GetCapturedStderr()};
}

constexpr std::uint8_t kVoltage = 0x09;

std::function<void(EmulatedRig&)> Fail(std::uint8_t command, AdapterEvent fault, int count) {
  return [=](EmulatedRig& rig) { rig.Adapter().FailCommand(command, fault, count); };
}

void RefuseTheNextTransaction(EmulatedRig& rig) {
  rig.Adapter().FailNextCall(EmulatedAdapter::Operation::MasterTxRx, return_code::kNotAccepted);
}

void Untouched(EmulatedRig&) {}

}  // namespace

TEST(HeadlessCommand, ARowThatNeverAcknowledgesShowsItsFaultWordAndExitsOne) {
  const Outcome outcome = RunCommand(
      {"read", "--emulated", "Voltage", "Current"},
      [](EmulatedRig& rig) { rig.Adapter().FailCommand(kVoltage, AdapterEvent::SlaveNack, 1000); });
  EXPECT_EQ(outcome.status, headless_exit::kRowFailed);
  EXPECT_EQ(outcome.out, "Voltage  NACK   mv\nCurrent  -1500  +/-ma\n");
}

TEST(HeadlessCommand, ARowThatAlwaysTimesOutIsGivenUpInsteadOfHanging) {
  const Outcome outcome =
      RunCommand({"read", "--emulated", "Voltage", "--format", "csv"}, [](EmulatedRig& rig) {
        rig.Adapter().FailCommand(kVoltage, AdapterEvent::BusTimeout, 1000);
      });
  EXPECT_EQ(outcome.status, headless_exit::kRowFailed);
  EXPECT_NE(outcome.out.find("Date/Time,Voltage(mv)\r\n"), std::string::npos);
  EXPECT_EQ(outcome.out.rfind(",\r\n"), outcome.out.size() - 3)
      << "an empty field for the row given up" << outcome.out;
}

TEST(HeadlessCommand, AFewFaultsAreRetriedAndTheRowIsRead) {
  const Outcome outcome = RunCommand({"read", "--emulated", "Voltage"}, [](EmulatedRig& rig) {
    rig.Adapter().FailCommand(kVoltage, AdapterEvent::BusError, 2);
  });
  EXPECT_EQ(outcome.status, headless_exit::kAllRowsOk);
  EXPECT_TRUE(QString::fromStdString(outcome.out)
                  .contains(QRegularExpression(QStringLiteral("^Voltage  \\d{5}  mv\n$"))))
      << outcome.out;
}

TEST(HeadlessCommand, AnAdapterThatDoesNotAnswerOrAPortThatCannotBeOpenedExitsThree) {
  const Outcome silent = RunCommand({"read", "--emulated", "--verbose"},
                                    [](EmulatedRig& rig) { rig.Ports().SetPorts({1}, {}); });
  EXPECT_EQ(silent.status, headless_exit::kNoLink);
  EXPECT_TRUE(silent.out.empty());
  EXPECT_NE(silent.err.find("<<Kavix Not Responding, Check ComPort, Power...>>"), std::string::npos)
      << silent.err;

  const Outcome none =
      RunCommand({"read", "--emulated"}, [](EmulatedRig& rig) { rig.Ports().SetPorts({}, {}); });
  EXPECT_EQ(none.status, headless_exit::kNoLink);
  EXPECT_NE(none.err.find("No ComPorts Detected"), std::string::npos) << none.err;
}

TEST(HeadlessCommand, AReadBackThatDiffersFromWhatWasWrittenIsAFailedRow) {
  const Outcome outcome = RunCommand(
      {"write", "--emulated", "RemainCapacityAlarm=1234"}, [](EmulatedRig&) {},
      Between::GarbleWrites);
  EXPECT_EQ(outcome.status, headless_exit::kRowFailed);
  EXPECT_EQ(outcome.out, "RemainCapacityAlarm  1235  maH 10mwH\n");
  EXPECT_NE(outcome.err.find("RemainCapacityAlarm reads back 1235, not what was written (1234)"),
            std::string::npos)
      << outcome.err;
}

// Every fault that ends a row or the whole run, with the status, the output
// and the reason it leaves. A time-out is one of the row's five attempts, for
// a write as for a read. A job cut short by Ctrl+C or a polite kill did not do
// its work and ends with the shell's status for the signal.
TEST(HeadlessCommand, EachFaultEndsTheRunWithItsStatusOutputAndReason) {
  constexpr std::uint8_t kRemainCapacityAlarm = 0x01;
  const struct {
    const char* what;
    const char* command;  // after "pelmor", its words split at spaces
    std::function<void(EmulatedRig&)> prepare;
    int status;
    const char* out;     // a pattern for the whole of standard output
    const char* reason;  // in standard error
    Between between = Between::Nothing;
  } cases[] = {
      {"in JSON a row given up is not ok, with its fault word and no value",
       "read --emulated --format json Voltage BatteryMode",
       Fail(kVoltage, AdapterEvent::SlaveNack, 1000), headless_exit::kRowFailed,
       R"(.*\{"hex":"[0-9A-F]{4}","name":"BatteryMode","ok":true,"unit":"#H","value":\d+\},)"
       R"(\{"fault":"NACK","name":"Voltage","ok":false,"unit":"mv","value":null\}.*)",
       ""},
      {"a read's fifth time-out gives the row up", "read --emulated Voltage",
       Fail(kVoltage, AdapterEvent::BusTimeout, 5), headless_exit::kRowFailed, ".*", ""},
      {"four time-outs leave a read its fifth attempt", "read --emulated Voltage",
       Fail(kVoltage, AdapterEvent::BusTimeout, 4), headless_exit::kAllRowsOk,
       "Voltage  \\d{5}  mv\n", ""},
      {"a write's fifth time-out gives the row up", "write --emulated RemainCapacityAlarm=300",
       Fail(kRemainCapacityAlarm, AdapterEvent::BusTimeout, 5), headless_exit::kRowFailed, ".*",
       ""},
      {"four time-outs leave a write its fifth attempt", "write --emulated RemainCapacityAlarm=300",
       Fail(kRemainCapacityAlarm, AdapterEvent::BusTimeout, 4), headless_exit::kAllRowsOk, ".*",
       ""},
      {"a refused transaction ends the run after its pass, whose rows were never reached",
       "read --emulated Voltage Current --count 3", RefuseTheNextTransaction,
       headless_exit::kRowFailed,
       R"(Voltage  -  mv  \(not reached: the pass ended before this row\)\n)"
       R"(Current  -  \+/-ma  \(not reached: the pass ended before this row\)\n)",
       "the adapter refused Voltage's transaction: <<Operation Not Accepted>>"},
      {"in JSON a row never reached says so and has no value",
       "read --emulated --format json Voltage", RefuseTheNextTransaction, headless_exit::kRowFailed,
       R"(.*\{"name":"Voltage","ok":false,"reached":false,"unit":"mv","value":null\}.*)", ""},
      {"in CSV a row never reached is an empty field",
       "read --emulated --format csv Voltage Current", RefuseTheNextTransaction,
       headless_exit::kRowFailed, ".*\r\n[^,\r\n]+,,\r\n", ""},
      {"an address the adapter reports busy (a kernel driver holds it) stays so",
       "write --emulated AtRate=5", Fail(0x04, AdapterEvent::Busy, 1000), headless_exit::kNoLink,
       ".*", "reports address 16 busy: <<Kavix Busy>>"},
      {"an adapter lost in the pass prints no part of the pass", "read --emulated Voltage Current",
       Fail(0x0A, AdapterEvent::NotResponding, 1), headless_exit::kLinkLost, "",
       "the adapter was lost: <<Kavix Not Responding"},
      {"a read interrupted in its first pass", "read --emulated", Untouched, 130, "", "",
       Between::InterruptWithSigint},
      {"a read terminated in its first pass", "read --emulated", Untouched, 143, "", "",
       Between::InterruptWithSigterm},
      {"a write interrupted before it was done", "write --emulated RemainCapacityAlarm=300",
       Untouched, 130, "", "", Between::InterruptWithSigint},
      {"a write terminated before it was done", "write --emulated RemainCapacityAlarm=300",
       Untouched, 143, "", "", Between::InterruptWithSigterm},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> command;
    for (const QString& word : QString::fromLatin1(c.command).split(' '))
      command.push_back(word.toStdString());
    const Outcome outcome = RunCommand(command, c.prepare, c.between);
    EXPECT_EQ(outcome.status, c.status) << outcome.out << outcome.err;
    EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(c.out),
                                   QRegularExpression::DotMatchesEverythingOption)
                    .match(QString::fromStdString(outcome.out))
                    .hasMatch())
        << outcome.out;
    EXPECT_NE(outcome.err.find(c.reason), std::string::npos) << outcome.err;
  }
}

// The command line stops a scan that a refused transaction halted: every
// observer, the ones after it included, hears of the halt before the stop.
TEST(HeadlessScan, EveryObserverHearsOfAHaltBeforeTheStopItLeadsTo) {
  struct : ScanObserver {
    QStringList seen;
    void ScanHalted(const ScanHalt&) override { seen << "halted"; }
    void ScanStopped(ScanStop) override { seen << "stopped"; }
  } later;
  int argc = 1;
  char name[] = "pelmor";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  const std::unique_ptr<EmulatedRig> rig = EmulatedRig::Threaded();
  RefuseTheNextTransaction(*rig);
  HeadlessScan scan(rig->Adapter(), {QStringLiteral("1"), address_list::kSmartBatteryEntry});
  scan.Engine().AddObserver(later);
  const HeadlessScan::Pass pass = scan.Read({9, 10});
  EXPECT_TRUE(pass.halted);
  EXPECT_EQ(later.seen, QStringList({"halted", "stopped"}));
  for (const RowRecord& row : pass.rows) EXPECT_FALSE(row.reached) << row.row;
}
