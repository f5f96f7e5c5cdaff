#include <gtest/gtest.h>

#include <QSysInfo>

#include "battery/RegisterNames.h"
#include "battery/RegisterTable.h"
#include "cli/HeadlessRequest.h"
#include "tests/support/QtPrinters.h"

namespace {

HeadlessParse Parse(const QStringList& arguments) {
  return ParseHeadlessCommand(QStringList{QStringLiteral("pelmor")} + arguments);
}

}  // namespace

TEST(HeadlessRequest, ReadNamesRowsInAnyCaseInRowOrderAndAllWhenNoneIsNamed) {
  const HeadlessParse named = Parse({"read", "voltage", "ManufacturerName", "Current", "Voltage"});
  ASSERT_TRUE(named.request) << named.error.toStdString();
  EXPECT_EQ(named.request->rows, (std::vector<int>{9, 10, 29}));
  EXPECT_EQ(named.request->count, 1);
  EXPECT_EQ(named.request->format, OutputFormat::Text);
  EXPECT_EQ(named.request->addressEntry, 11) << "address 16 is the list's entry 11";
  EXPECT_FALSE(named.request->comPortEntry);

  const HeadlessParse all = Parse({"read", "--emulated", "--format", "json"});
  ASSERT_TRUE(all.request);
  EXPECT_EQ(all.request->rows.size(), 33u);
  EXPECT_TRUE(all.request->platform.emulated);
  EXPECT_EQ(all.request->format, OutputFormat::Json);
}

TEST(HeadlessRequest, RepeatOptionsPortAndAddress) {
  const HeadlessParse every = Parse({"read", "--every", "2.5", "--port", "3", "--address", "ee"});
  ASSERT_TRUE(every.request) << every.error.toStdString();
  EXPECT_EQ(every.request->everyMs, 2500);
  EXPECT_EQ(every.request->count, 0) << "--every alone repeats until interrupted";
  EXPECT_EQ(every.request->comPortEntry, QStringLiteral("3"));
  EXPECT_EQ(every.request->addressEntry, 119);

  const HeadlessParse counted = Parse({"read", "--every", "60", "--count", "5", "--format", "csv"});
  ASSERT_TRUE(counted.request);
  EXPECT_EQ(counted.request->count, 5);
  EXPECT_EQ(counted.request->format, OutputFormat::Csv);
}

TEST(HeadlessRequest, MqttTakesTheBrokersUrlWithItsDefaultPortTheStationAndTheQueue) {
  const auto tls =
      Parse({"read", "--mqtt", "mqtts://[::1]/lab/packs/", "--station", "b1", "--mqtt-queue", "7"})
          .request->publish;
  EXPECT_EQ(std::tuple(tls->broker.Place(), tls->broker.prefix, tls->station, tls->queueBound),
            std::tuple("[::1]:8883", "lab/packs", "b1", 7u));
  const auto plain = Parse({"read", "--mqtt", "mqtt://bench@broker.lab"}).request->publish;
  EXPECT_EQ(
      std::tuple(plain->broker.Place(), plain->broker.user, plain->station, plain->queueBound),
      std::tuple("broker.lab:1883", "bench", QSysInfo::machineHostName(), 1440u));
}

// Outside 10 to EE an address byte is reserved (the general call, 10-bit
// addressing, high-speed masters); only --force-address reaches it.
TEST(HeadlessRequest, ReservedAddressesOnlyWithForceAddress) {
  for (const char* address : {"10", "EE"}) {
    EXPECT_TRUE(Parse({"read", "--address", address}).request) << address;
  }
  const HeadlessParse forced = Parse({"write", "--address", "00", "--force-address", "AtRate=1"});
  ASSERT_TRUE(forced.request) << forced.error.toStdString();
  EXPECT_EQ(forced.request->addressEntry, 0);
}

TEST(HeadlessRequest, WriteTakesTheWritableRegistersWithTheirTextsAsTyped) {
  const HeadlessParse write = Parse({"write", "AtRate=-500", "RemainCapacityAlarm=$4D2"});
  ASSERT_TRUE(write.request) << write.error.toStdString();
  EXPECT_TRUE(write.request->write);
  EXPECT_EQ(write.request->writes,
            (std::vector<std::pair<int, QString>>{{1, "$4D2"}, {4, "-500"}}));
  EXPECT_EQ(write.request->rows, (std::vector<int>{1, 4}));
}

TEST(HeadlessRequest, ListPrintsEveryRegisterInTableOrderWithoutARequest) {
  const HeadlessParse list = Parse({"read", "--list"});
  EXPECT_TRUE(list.listAsked);
  EXPECT_FALSE(list.request);
  const QStringList lines = RegisterListText().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), kRegisterRowCount);
  EXPECT_EQ(lines[0], "ManufacturerAccess   0x00  #H          writable");
  EXPECT_EQ(lines[9], "Voltage              0x09  mv");
  EXPECT_EQ(lines[32], "ManufacturerData     0x23  block");
}

TEST(HeadlessRequest, MistakesAreUsageErrorsWithAMessageThatSaysWhy) {
  const struct {
    QStringList arguments;
    const char* message;
  } cases[] = {
      {{"read", "Volts"},
       "Unknown register: Volts. Did you mean Voltage? pelmor read --list prints every name."},
      {{"read", "temp"}, "Unknown register: temp. Did you mean Temperature?"},
      {{"read", "CycleCnt"}, "Unknown register: CycleCnt. Did you mean CycleCount?"},
      {{"read", "RelativeStateOfCharge"},
       "Unknown register: RelativeStateOfCharge. Did you mean RelStateOfCharge?"},
      {{"read", "xyz"}, "Unknown register: xyz. pelmor read --list prints every name."},
      {{"write", "RemCapAlarm=5"},
       "Unknown register: RemCapAlarm. Did you mean RemainCapacityAlarm? The writable registers "
       "are ManufacturerAccess, RemainCapacityAlarm, RemainTimeAlarm, BatteryMode, AtRate."},
      {{"read", "--bogus"}, "Unknown option 'bogus'."},
      {{"read", "--format", "xml"}, "--format takes text, csv or json, not: xml"},
      {{"read", "--address", "17"}, "--address takes an even address byte"},
      {{"read", "--address", "100"}, "--address takes an even address byte"},
      {{"write", "--address", "00", "AtRate=1"}, "--address 00 is reserved"},
      {{"read", "--address", "0E"}, "--address 0E is reserved"},
      {{"read", "--address", "fe"}, "--address FE is reserved"},
      {{"read", "--port", "COM1"}, "--port takes a port number, not: COM1"},
      {{"read", "--every", "-1"}, "--every takes a number of seconds"},
      {{"read", "--count", "x"}, "--count takes a whole number"},
      {{"write"}, "Name at least one REGISTER=TEXT"},
      {{"write", "AtRate"}, "Expected REGISTER=TEXT, got: AtRate"},
      {{"write", "Voltage=3"},
       "Voltage cannot be written; the writable registers are "
       "ManufacturerAccess, RemainCapacityAlarm, RemainTimeAlarm, "
       "BatteryMode, AtRate."},
      {{"write", "AtRate=1", "atrate=2"}, "atrate is named twice."},
      {{"write", "AtRate=1", "--format", "csv"}, "Unknown option 'format'."},
      {{"read", "--mqtt", "http://broker/lab"}, "--mqtt takes mqtt://host[:port]/prefix"},
      {{"read", "--mqtt", "mqtt:///lab"}, "--mqtt takes mqtt://host[:port]/prefix"},
      {{"read", "--mqtt", "mqtt://bench:pw@broker/lab"}, "A password on the command line"},
      {{"read", "--mqtt", "mqtt://broker/lab/+"}, "The topic prefix cannot hold + or #: lab/+"},
      {{"read", "--mqtt", "mqtt://broker/lab", "--station", "b+1"}, "A station's name cannot"},
      {{"read", "--mqtt", "mqtt://broker/lab", "--mqtt-ca", "ca.pem"}, "--mqtt-ca needs an mqtts"},
      {{"read", "--mqtt", "mqtt://broker/lab", "--mqtt-queue", "0"}, "--mqtt-queue takes a whole"},
      {{"read", "--station", "b1"}, "--station needs --mqtt"},
  };
  for (const auto& [arguments, message] : cases) {
    const HeadlessParse parse = Parse(arguments);
    EXPECT_FALSE(parse.request) << arguments.join(' ').toStdString();
    EXPECT_TRUE(parse.error.startsWith(QLatin1String(message)))
        << arguments.join(' ').toStdString() << ": " << parse.error.toStdString();
    EXPECT_TRUE(parse.usage.contains(QStringLiteral("Usage:")));
  }
}

// Text that does not stand for exactly one word in the register's range is
// refused before the bus is touched, with the form the register takes.
TEST(HeadlessRequest, WriteTextsThatAreNotExactlyOneWordAreUsageErrors) {
  const struct {
    const char* form;
    std::vector<const char*> assignments;
  } cases[] = {
      {"1 to 4 hexadecimal digits",
       {"BatteryMode=0x6001", "BatteryMode=zz", "BatteryMode=", "BatteryMode=16001",
        "BatteryMode= 6001", "ManufacturerAccess=123456789"}},
      {"a whole number from 0 to 65535",
       {"RemainCapacityAlarm=70000", "RemainCapacityAlarm=-1", "RemainCapacityAlarm=10 ",
        "RemainCapacityAlarm=", "RemainCapacityAlarm=1e3", "RemainCapacityAlarm=$10000",
        "RemainTimeAlarm=65536", "RemainTimeAlarm=1.5"}},
      {"a whole number from -32768 to 32767",
       {"AtRate=40000", "AtRate=-32769", "AtRate=-$10", "AtRate=0x"}},
  };
  for (const auto& [form, assignments] : cases) {
    for (const char* assignment : assignments) {
      const HeadlessParse parse = Parse({"write", assignment});
      EXPECT_FALSE(parse.request) << assignment;
      EXPECT_TRUE(parse.error.contains(QLatin1String(form)))
          << assignment << ": " << parse.error.toStdString();
      const QString name = QString::fromLatin1(assignment).section('=', 0, 0);
      EXPECT_TRUE(parse.error.startsWith(name)) << parse.error.toStdString();
    }
  }
  for (const char* exact : {"BatteryMode=ffff", "BatteryMode=0", "RemainCapacityAlarm=65535",
                            "RemainCapacityAlarm=$FFFF", "RemainTimeAlarm= 10", "AtRate=-32768",
                            "AtRate=+32767", "AtRate=0xFFFF"}) {
    EXPECT_TRUE(Parse({"write", exact}).request) << exact;
  }
}
