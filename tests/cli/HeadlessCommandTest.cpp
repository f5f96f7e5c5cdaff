// The headless commands run in-process on a threaded emulated rig that the
// test has prepared with faults, as the program's entry would run them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QRegularExpression>
#include <csignal>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "EmulatedRig.h"
#include "ForwardingAdapter.h"
#include "HeadlessCommand.h"

namespace {

// Hands every call to the rig's adapter, except that a write reaches the
// battery with its low byte changed: a battery that does not keep what it
// was sent.
class GarblingAdapter : public ForwardingAdapter {
 public:
  using ForwardingAdapter::ForwardingAdapter;
  std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                           int stop) override {
    std::vector<std::uint8_t> garbled(data, data + length);
    garbled[1] ^= 0x01;
    return ForwardingAdapter::I2CMasterTx(address, garbled.data(), length, stop);
  }
};

// Hands every call to the rig's adapter, and sends the program a signal as
// the first transaction is issued: a job interrupted in its first pass.
class InterruptingAdapter : public ForwardingAdapter {
 public:
  InterruptingAdapter(AdapterLibrary& target, int signal)
      : ForwardingAdapter(target), signal_(signal) {}
  std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* data, int length,
                           int stop) override {
    Interrupt();
    return ForwardingAdapter::I2CMasterTx(address, data, length, stop);
  }
  std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* data, int length,
                             int receiveLength, int stop) override {
    Interrupt();
    return ForwardingAdapter::I2CMasterTxRx(address, data, length, receiveLength, stop);
  }

 private:
  void Interrupt() {
    if (signal_ != 0) ::kill(::getpid(), std::exchange(signal_, 0));
  }
  int signal_;
};

enum class Between { Nothing, GarbleWrites, InterruptWithSigint, InterruptWithSigterm };

class PreparedRig : public Platform {
 public:
  PreparedRig(std::unique_ptr<EmulatedRig> rig, Between between)
      : rig_(std::move(rig)),
        garbling_(rig_->Adapter()),
        interrupting_(rig_->Adapter(), between == Between::InterruptWithSigint    ? SIGINT
                                       : between == Between::InterruptWithSigterm ? SIGTERM
                                                                                  : 0),
        between_(between) {}
  PlatformBundle Bundle() override {
    if (between_ == Between::Nothing) return {rig_->Adapter(), rig_->Ports(), rig_->Probe()};
    if (between_ == Between::GarbleWrites) return {garbling_, rig_->Ports(), rig_->Probe()};
    return {interrupting_, rig_->Ports(), rig_->Probe()};
  }

 private:
  std::unique_ptr<EmulatedRig> rig_;
  GarblingAdapter garbling_;
  InterruptingAdapter interrupting_;
  Between between_;
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

}  // namespace

TEST(HeadlessCommand, ARowThatNeverAcknowledgesShowsItsFaultWordAndExitsOne) {
  const Outcome outcome = RunCommand(
      {"read", "--emulated", "Voltage", "Current"},
      [](EmulatedRig& rig) { rig.Adapter().FailCommand(kVoltage, AdapterEvent::SlaveNack, 1000); });
  EXPECT_EQ(outcome.status, headless_exit::kRowFailed);
  EXPECT_EQ(outcome.out, "Voltage  NACK   mv\nCurrent  -1500  +/-ma\n");
}

TEST(HeadlessCommand, InJsonAFailedRowIsNotOkWithItsFaultWordAndNoValue) {
  const Outcome outcome = RunCommand(
      {"read", "--emulated", "--format", "json", "Voltage", "BatteryMode"},
      [](EmulatedRig& rig) { rig.Adapter().FailCommand(kVoltage, AdapterEvent::SlaveNack, 1000); });
  EXPECT_EQ(outcome.status, headless_exit::kRowFailed);
  EXPECT_NE(outcome.out.find("{\"fault\":\"NACK\",\"name\":\"Voltage\",\"ok\":false,"
                             "\"unit\":\"mv\",\"value\":null}"),
            std::string::npos)
      << outcome.out;
  EXPECT_TRUE(
      QString::fromStdString(outcome.out)
          .contains(QRegularExpression(
              R"(\{"hex":"[0-9A-F]{4}","name":"BatteryMode","ok":true,"unit":"#H","value":\d+\})")))
      << outcome.out;
}

TEST(HeadlessCommand, ARowThatAlwaysTimesOutIsGivenUpInsteadOfHanging) {
  const Outcome outcome =
      RunCommand({"read", "--emulated", "Voltage", "--format", "csv"}, [](EmulatedRig& rig) {
        rig.Adapter().FailCommand(kVoltage, AdapterEvent::BusTimeout, 1000);
      });
  EXPECT_EQ(outcome.status, headless_exit::kRowFailed);
  EXPECT_NE(outcome.out.find("Date/Time,Voltage(mv)\r\n"), std::string::npos);
  EXPECT_NE(outcome.out.find(",0\r\n"), std::string::npos)
      << "the log's placeholder" << outcome.out;
}

// Every time-out is one of the row's five attempts, for a write as for a
// read: the fifth gives the row up, and four leave the fifth attempt to
// succeed.
TEST(HeadlessCommand, ReadsAndWritesCountEveryTimeOutAsAnAttempt) {
  constexpr std::uint8_t kRemainCapacityAlarm = 0x01;
  const struct {
    std::vector<std::string> command;
    std::uint8_t register_;
    int timeouts;
    int status;
  } cases[] = {
      {{"read", "--emulated", "Voltage"}, kVoltage, 5, headless_exit::kRowFailed},
      {{"read", "--emulated", "Voltage"}, kVoltage, 4, headless_exit::kAllRowsOk},
      {{"write", "--emulated", "RemainCapacityAlarm=300"},
       kRemainCapacityAlarm,
       5,
       headless_exit::kRowFailed},
      {{"write", "--emulated", "RemainCapacityAlarm=300"},
       kRemainCapacityAlarm,
       4,
       headless_exit::kAllRowsOk},
  };
  for (const auto& c : cases) {
    const Outcome outcome = RunCommand(c.command, [&](EmulatedRig& rig) {
      rig.Adapter().FailCommand(c.register_, AdapterEvent::BusTimeout, c.timeouts);
    });
    EXPECT_EQ(outcome.status, c.status) << c.command[0] << " with " << c.timeouts << " time-outs\n"
                                        << outcome.out << outcome.err;
  }
}

TEST(HeadlessCommand, ATransactionTheAdapterRefusesEndsTheRunWithItsReason) {
  const Outcome outcome = RunCommand(
      {"read", "--emulated", "Voltage", "Current", "--count", "3"}, [](EmulatedRig& rig) {
        rig.Adapter().FailNextCall(EmulatedAdapter::Operation::MasterTxRx,
                                   return_code::kNotAccepted);
      });
  EXPECT_EQ(outcome.status, headless_exit::kRowFailed);
  EXPECT_EQ(outcome.out, "Voltage    mv\nCurrent    +/-ma\n") << "one pass, nothing read";
  EXPECT_NE(
      outcome.err.find("the adapter refused Voltage's transaction: <<Operation Not Accepted>>"),
      std::string::npos)
      << outcome.err;
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

  // An address the adapter reports busy (a kernel driver holds it) stays so.
  const Outcome busy = RunCommand({"write", "--emulated", "AtRate=5"}, [](EmulatedRig& rig) {
    rig.Adapter().FailCommand(0x04, AdapterEvent::Busy, 1000);
  });
  EXPECT_EQ(busy.status, headless_exit::kNoLink);
  EXPECT_NE(busy.err.find("reports address 16 busy: <<Kavix Busy>>"), std::string::npos);
}

TEST(HeadlessCommand, AnAdapterLostInThePassExitsFourAndPrintsNoPartOfThePass) {
  const Outcome lost = RunCommand(
      {"read", "--emulated", "Voltage", "Current"},
      [](EmulatedRig& rig) { rig.Adapter().FailCommand(0x0A, AdapterEvent::NotResponding, 1); });
  EXPECT_EQ(lost.status, headless_exit::kLinkLost);
  EXPECT_EQ(lost.out, "");
  EXPECT_NE(lost.err.find("the adapter was lost: <<Kavix Not Responding"), std::string::npos)
      << lost.err;
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

// A job cut short by Ctrl+C or a polite kill did not do its work: a read
// stopped in its first pass and a write stopped before it was done end with
// the shell's status for the signal.
TEST(HeadlessCommand, AReadOrWriteInterruptedBeforeItWasDoneEndsWithTheSignalsStatus) {
  const struct {
    std::vector<std::string> command;
    Between signal;
    int status;
  } cases[] = {
      {{"read", "--emulated"}, Between::InterruptWithSigint, 130},
      {{"read", "--emulated"}, Between::InterruptWithSigterm, 143},
      {{"write", "--emulated", "RemainCapacityAlarm=300"}, Between::InterruptWithSigint, 130},
      {{"write", "--emulated", "RemainCapacityAlarm=300"}, Between::InterruptWithSigterm, 143},
  };
  for (const auto& c : cases) {
    const Outcome outcome = RunCommand(
        c.command, [](EmulatedRig&) {}, c.signal);
    EXPECT_EQ(outcome.status, c.status) << c.command[0] << "\n" << outcome.out << outcome.err;
    EXPECT_EQ(outcome.out, "") << "no part of a pass";
  }
}
