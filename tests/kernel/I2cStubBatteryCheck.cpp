// Runs inside the test machine, one phase a call, and prints one result line:
//   PELMOR KERNEL PHASE name: PASS (n of n checks)    or    ... FAIL (...)
// seeded (the default): seeds the kernel's i2c-stub with a Smart Battery's 33
//   registers at address 0x0B, reads them all through the adapter library
//   over /dev/i2c-N and the value codec, writes a writable register and reads
//   it back, reads an address where no chip answers; given the program's
//   executable, runs `pelmor read` and `pelmor write` on the same bus.
// held: with sbs-battery bound to 0x0B, the address is Busy for the library,
//   pelmor ends with status 3 naming the driver and its unbind command (which
//   is then run, and frees the address), and the port list's hint names it.
// hostile: a crafted pack's strings (terminal escapes, quotes and a comma)
//   through the three forms of `pelmor read`, each dumped with od -c.
// i2c-block: on a stub without SMBus Block Read (blocks read by I2C block
//   reads, at most 31 data bytes), a 32-byte block is shown cut short and a
//   count above 32 is a bus error.
// Usage: i2c_stub_battery_check [--held|--hostile|--i2c-block] BUS [PELMOR]
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "battery/RegisterTable.h"
#include "battery/ReplyFit.h"
#include "battery/ValueCodec.h"
#include "i2cdev/DeviceCalls.h"
#include "i2cdev/I2cBusDirectory.h"
#include "i2cdev/I2cDevAdapter.h"
#include "i2cdev/I2cDevPorts.h"
#include "link/ComPortDiscovery.h"
#include "tests/support/CsvRecords.h"

namespace {

constexpr std::uint8_t kChip = 0x0B;
constexpr std::uint8_t kBatteryAddressByte = 0x16;
constexpr std::uint8_t kSilentAddressByte = 0x20;

// What is seeded, and the text the program must show for it.
struct Seed {
  std::uint16_t word = 0;
  std::vector<std::uint8_t> block;  // for a string or block register
  const char* text;
};

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

const std::map<std::uint8_t, Seed>& Seeds() {
  static const std::map<std::uint8_t, Seed> seeds = {
      {0x00, {0xA5C3, {}, "A5C3"}},
      {0x01, {300, {}, "300"}},
      {0x02, {10, {}, "10"}},
      {0x03, {0x6001, {}, "6001"}},
      {0x04, {0xFF06, {}, "-250"}},
      {0x05, {65535, {}, "65535"}},
      {0x06, {125, {}, "125"}},
      {0x07, {1, {}, "1"}},
      {0x08, {2982, {}, "2982"}},
      {0x09, {11100, {}, "11100"}},
      {0x0A, {0xFA10, {}, "-1520"}},
      {0x0B, {0xFA26, {}, "-1498"}},
      {0x0C, {3, {}, "3"}},
      {0x0D, {67, {}, "67"}},
      {0x0E, {61, {}, "61"}},
      {0x0F, {3180, {}, "3180"}},
      {0x10, {4750, {}, "4750"}},
      {0x11, {126, {}, "126"}},
      {0x12, {127, {}, "127"}},
      {0x13, {65534, {}, "65534"}},
      {0x14, {2000, {}, "2000"}},
      {0x15, {12600, {}, "12600"}},
      {0x16, {0x00C0, {}, "00C0"}},
      {0x17, {42, {}, "42"}},
      {0x18, {5200, {}, "5200"}},
      {0x19, {10800, {}, "10800"}},
      {0x1A, {0x0031, {}, "0031"}},
      {0x1B, {0x5A2C, {}, "5A2C"}},
      {0x1C, {40001, {}, "40001"}},
      // A full 32-byte block, the longest SMBus allows.
      {0x20,
       {0, Bytes("Pelmor Test Cells Incorporated!!"), "\"Pelmor Test Cells Incorporated!!\""}},
      {0x21, {0, Bytes("PX-3S1P"), "\"PX-3S1P\""}},
      {0x22, {0, Bytes("LION"), "\"LION\""}},
      {0x23, {0, {0x52, 0x00, 0xFF, 0x10, 0x7E, 0x81, 0x33, 0x0C}, "52,00,FF,10,7E,81,33,0C"}},
  };
  return seeds;
}

int checks = 0;
int failures = 0;

void Check(bool ok, const std::string& what) {
  ++checks;
  if (!ok) ++failures;
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
}

// Writes the seeds straight through i2c-dev, as a battery would hold them.
bool SeedStub(DeviceCalls& calls, const std::string& node) {
  const int fd = calls.Open(node);
  if (fd < 0) return false;
  bool ok = calls.Ioctl(fd, I2C_SLAVE, reinterpret_cast<void*>(kChip)) >= 0;
  for (const auto& [command, seed] : Seeds()) {
    i2c_smbus_data data{};
    i2c_smbus_ioctl_data request{I2C_SMBUS_WRITE, command, I2C_SMBUS_WORD_DATA, &data};
    if (seed.block.empty()) {
      data.word = seed.word;
    } else {
      request.size = I2C_SMBUS_BLOCK_DATA;
      data.block[0] = static_cast<std::uint8_t>(seed.block.size());
      std::copy(seed.block.begin(), seed.block.end(), data.block + 1);
    }
    ok = calls.Ioctl(fd, I2C_SMBUS, &request) >= 0 && ok;
  }
  calls.Close(fd);
  return ok;
}

class Events {
 public:
  AdapterEventCallback Callback() {
    return [this](std::int32_t code) {
      std::lock_guard lock(mutex_);
      events_.push_back(code);
      arrived_.notify_all();
    };
  }
  std::int32_t Next() {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, std::chrono::seconds(10), [&] { return !events_.empty(); })) {
      return 0;
    }
    const std::int32_t code = events_.front();
    events_.pop_front();
    return code;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::int32_t> events_;
};

// Runs a command and gives its standard output and exit status.
std::pair<std::string, int> Run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {out, -1};
  char buffer[4096];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  const int status = pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

struct Ran {
  std::string out;
  std::string err;
  int status;
};

// Runs a command and gives its standard output, standard error and status.
Ran RunCapturingErrors(const std::string& command) {
  const char* errors = "/tmp/check-stderr";
  auto [out, status] = Run(command + " 2>" + errors);
  const auto [err, catStatus] = Run(std::string("cat ") + errors);
  return {out, err, status};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The line `pelmor read` prints for a register: its name, then its value and
// unit class, two blanks apart, the names padded to the longest one shown.
bool PrintsLine(const std::string& out, const std::string& name, const std::string& value,
                const std::string& unit) {
  std::size_t at = 0;
  while ((at = out.find(name + ' ', at)) != std::string::npos) {
    if (at == 0 || out[at - 1] == '\n') {
      const std::size_t end = out.find('\n', at);
      std::string line = out.substr(at, end - at);
      const std::string tail = "  " + unit;
      if (line.size() > tail.size() &&
          line.compare(line.size() - tail.size(), tail.size(), tail) == 0) {
        line.erase(line.size() - tail.size());
        const std::size_t first = line.find_first_not_of(' ', name.size());
        const std::size_t last = line.find_last_not_of(' ');
        return first != std::string::npos && line.substr(first, last - first + 1) == value;
      }
    }
    ++at;
  }
  return false;
}

void CheckCommandLine(const std::string& pelmor, int port) {
  const std::string options = " --all-buses --port " + std::to_string(port);
  const auto [read, readStatus] = Run(pelmor + " read" + options);
  Check(readStatus == 0, "pelmor read exits 0 (" + std::to_string(readStatus) + ")");
  for (const RegisterDefinition& row : RegisterTable()) {
    const std::string expected = row.commandCode == 0x01 ? "432" : Seeds().at(row.commandCode).text;
    Check(PrintsLine(read, row.registerName, expected, row.unitClass),
          std::string("pelmor read prints ") + row.registerName + " " + expected);
  }
  const auto [written, writeStatus] =
      Run(pelmor + " write" + options + " RemainCapacityAlarm=1234 AtRate=-100");
  Check(writeStatus == 0 && PrintsLine(written, "RemainCapacityAlarm", "1234", "maH 10mwH") &&
            PrintsLine(written, "AtRate", "-100", "+/-ma 10mw"),
        "pelmor write prints what it reads back: " + written);
  const auto [silent, silentStatus] = Run(pelmor + " read" + options + " --address 20 Voltage");
  Check(silentStatus == 1 && PrintsLine(silent, "Voltage", "NACK", "mv"),
        "pelmor read at an address where no chip answers: NACK, status 1");
}

std::string Hex(std::int32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(code));
  return text;
}

constexpr std::int32_t Code(AdapterEvent event) {
  return static_cast<std::int32_t>(event);
}

// One read as the program makes it; the data-field text, or the event that
// came instead of MasterRxComplete.
std::string ReadRow(AdapterLibrary& library, Events& events, const RegisterDefinition& row,
                    std::uint8_t addressByte = kBatteryAddressByte) {
  const QString unitClass = QString::fromLatin1(row.unitClass);
  const bool counted = unitClass == QLatin1String("string") || unitClass == QLatin1String("block");
  const std::uint8_t command = row.commandCode;
  const std::int32_t accepted = library.I2CMasterTxRx(addressByte, &command, 1, counted ? 0 : 2, 1);
  if (accepted != 0) return "refused " + Hex(accepted);
  const std::int32_t event = events.Next();
  if (event != Code(AdapterEvent::MasterRxComplete)) return "event " + Hex(event);
  ReplyBuffer reply{};
  int length = 0;
  library.I2CGetMasterRxMsg(kReplyBufferSize, reply.data(), length);
  const std::optional<ReplyBuffer> came = ReplyAsFarAsItCame(unitClass, reply, length);
  return came ? DecodeReply(unitClass, *came).toStdString() : std::string();
}

// The seeded stub through the library, then through the command line.
void CheckSeededStub(int bus, const std::string& pelmor) {
  SystemDeviceCalls calls;
  I2cBusDirectory directory;
  Check(SeedStub(calls, directory.DeviceNode(bus)), "seed the stub's 33 registers");

  unsigned long functionality = 0;
  if (const int fd = calls.Open(directory.DeviceNode(bus)); fd >= 0) {
    calls.Ioctl(fd, I2C_FUNCS, &functionality);
    calls.Close(fd);
  }
  const std::uint8_t port = static_cast<std::uint8_t>(PortForBus(bus));
  Events events;
  {
    // The stub is no USB adapter: without --all-buses it is not opened.
    I2cDevAdapter guarded(calls, directory, {false, false});
    guarded.I2COpen(MakeOpenParams(port), events.Callback(), kAdapterLogFileName);
    Check(events.Next() == Code(AdapterEvent::NotResponding),
          "a bus not on USB does not open without --all-buses");
  }
  {
    // --pec on an adapter that cannot check it: refused rather than read unchecked.
    I2cDevAdapter withPec(calls, directory, {true, true});
    withPec.I2COpen(MakeOpenParams(port), events.Callback(), kAdapterLogFileName);
    const bool canPec = (functionality & I2C_FUNC_SMBUS_PEC) != 0;
    Check(events.Next() == Code(canPec ? AdapterEvent::LinkOpen : AdapterEvent::NotResponding),
          canPec ? "--pec opens an adapter with PEC" : "--pec refuses an adapter without PEC");
  }

  I2cDevAdapter library(calls, directory, {true, false});
  Check(library.I2COpen(MakeOpenParams(0), events.Callback(), kAdapterLogFileName) ==
            return_code::kInvalidComPort,
        "port 0 opens nothing");
  Check(library.I2COpen(MakeOpenParams(port), events.Callback(), kAdapterLogFileName) == 0 &&
            events.Next() == Code(AdapterEvent::LinkOpen),
        "LinkOpen on /dev/i2c-" + std::to_string(bus));

  for (const RegisterDefinition& row : RegisterTable()) {
    const std::string shown = ReadRow(library, events, row);
    const std::string expected = Seeds().at(row.commandCode).text;
    Check(shown == expected, std::string(row.registerName) + " = " + shown +
                                 (shown == expected ? "" : " (expected " + expected + ")"));
  }

  const RegisterDefinition& alarm = RegisterTable()[1];  // RemainCapacityAlarm, writable
  const WriteWord word = EncodeWrite(QString::fromLatin1(alarm.unitClass), QStringLiteral("432"));
  const std::uint8_t data[3] = {alarm.commandCode, word.low, word.high};
  Check(library.I2CMasterTx(kBatteryAddressByte, data, 3, 1) == 0 &&
            events.Next() == Code(AdapterEvent::MasterTxComplete),
        "write 432 to RemainCapacityAlarm");
  const std::string readBack = ReadRow(library, events, alarm);
  Check(readBack == "432", "RemainCapacityAlarm reads back " + readBack);

  const std::string silent = ReadRow(library, events, RegisterTable()[9], kSilentAddressByte);
  Check(silent == "event " + Hex(Code(AdapterEvent::SlaveNack)),
        "address 20, where no chip answers: " + silent);
  I2CStatusRecord status;
  library.I2CGetStatus(status);
  Check(status.linkOpen != 0, "the link stays open after a NACK");
  library.I2CClose();

  if (!pelmor.empty()) CheckCommandLine(pelmor, port);
}

std::string Options(int bus) {
  return " --all-buses --port " + std::to_string(PortForBus(bus));
}

// sbs-battery holds 0x0B: i2c-dev refuses the address, the library reports
// Busy, pelmor says which driver holds it and how to let it go, and ends.
void CheckHeldAddress(int bus, const std::string& pelmor) {
  SystemDeviceCalls calls;
  I2cBusDirectory directory;
  Events events;
  {
    I2cDevAdapter library(calls, directory, {true, false});
    library.I2COpen(MakeOpenParams(static_cast<std::uint8_t>(PortForBus(bus))), events.Callback(),
                    kAdapterLogFileName);
    Check(events.Next() == Code(AdapterEvent::LinkOpen), "LinkOpen beside sbs-battery");
    const std::string busy = "event " + Hex(Code(AdapterEvent::Busy));
    for (const int row : {9, 29}) {
      const std::string shown = ReadRow(library, events, RegisterTable()[row]);
      Check(shown == busy,
            std::string(RegisterTable()[row].registerName) + " at a held address: " + shown);
    }
  }
  const std::string client = std::to_string(bus) + "-000b";
  const std::string advice =
      "address 16 (7-bit 0x0b) is held by the kernel driver sbs-battery; free it with: echo " +
      client + " | sudo tee /sys/bus/i2c/drivers/sbs-battery/unbind";
  for (const std::string& command : {" read" + Options(bus) + " Voltage ManufacturerName",
                                     " write" + Options(bus) + " AtRate=5"}) {
    const Ran ran = RunCapturingErrors(pelmor + command);
    Check(ran.status == 3 && ran.out.empty() && Contains(ran.err, advice),
          "pelmor" + command + " ends with status " + std::to_string(ran.status) + ": " + ran.err);
  }
  I2cDevPorts ports(calls, directory, {true, false});
  const QString hint = DiscoverComPorts(ports).hint;
  Check(hint.contains(QString::fromStdString(advice)),
        "the port hint names the driver: " + hint.toStdString());

  const auto [unbound, unbindStatus] =
      Run("echo " + client + " | tee /sys/bus/i2c/drivers/sbs-battery/unbind");
  const auto [read, readStatus] = Run(pelmor + " read" + Options(bus) + " DeviceName");
  Check(unbindStatus == 0 && readStatus == 0 &&
            PrintsLine(read, "DeviceName", "\"PX-3S1P\"", "string"),
        "the advice frees the address: " + read);
}

constexpr char kHostileDeviceName[] = "\x1b[2J\x1b[31mKP\x07";
constexpr char kHostileManufacturerName[] = "Kestrel \"Power\", Inc";
// Sets the terminal's clipboard (OSC 52) on terminals that allow it.
constexpr char kHostileChemistry[] = "\x1b]52;c;cm0gLXJmIH4=\x07";

bool SeedBlock(int bus, std::uint8_t command, int size, const std::string& bytes) {
  SystemDeviceCalls calls;
  const int fd = calls.Open(I2cBusDirectory().DeviceNode(bus));
  if (fd < 0) return false;
  i2c_smbus_data data{};
  data.block[0] = static_cast<std::uint8_t>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), data.block + 1);
  i2c_smbus_ioctl_data request{I2C_SMBUS_WRITE, command, static_cast<std::uint32_t>(size), &data};
  const bool ok = calls.Ioctl(fd, I2C_SLAVE, reinterpret_cast<void*>(kChip)) >= 0 &&
                  calls.Ioctl(fd, I2C_SMBUS, &request) >= 0;
  calls.Close(fd);
  return ok;
}

void DumpBytes(const std::string& pelmor, const std::string& arguments) {
  std::printf("pelmor%s | od -c\n%s", arguments.c_str(),
              Run(pelmor + arguments + " | od -c").first.c_str());
}

// A crafted pack's strings: no control byte reaches the terminal raw, CSV
// keeps each string in its column, JSON holds the strings themselves.
void CheckHostilePack(int bus, const std::string& pelmor) {
  Check(SeedBlock(bus, 0x20, I2C_SMBUS_BLOCK_DATA, kHostileManufacturerName) &&
            SeedBlock(bus, 0x21, I2C_SMBUS_BLOCK_DATA, kHostileDeviceName) &&
            SeedBlock(bus, 0x22, I2C_SMBUS_BLOCK_DATA, kHostileChemistry),
        "seed the hostile strings");
  const std::string read = " read" + Options(bus) + " ManufacturerName DeviceName DeviceChemistry";
  const auto [text, textStatus] = Run(pelmor + read);
  bool raw = false;
  for (const char c : text)
    raw = raw || (static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F;
  Check(textStatus == 0 && !raw && Contains(text, R"("\x1b[2J\x1b[31mKP\x07")") &&
            Contains(text, R"("\x1b]52;c;cm0gLXJmIH4=\x07")"),
        "text: control characters shown as escapes");

  const auto [csv, csvStatus] = Run(pelmor + read + " --format csv");
  const auto records =
      CsvRecords(QString::fromLatin1(csv.data(), static_cast<qsizetype>(csv.size())));
  const QStringList expected = {QString::fromLatin1(kHostileManufacturerName),
                                QString::fromLatin1(kHostileDeviceName),
                                QString::fromLatin1(kHostileChemistry)};
  Check(csvStatus == 0 && records && records->size() == 2 && (*records)[0].size() == 4 &&
            (*records)[1].mid(1) == expected,
        "csv: each string one field, in its column");

  const auto [json, jsonStatus] = Run(pelmor + read + " --format json");
  QJsonParseError error;
  const QJsonArray registers = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error)
                                   .object()[QStringLiteral("registers")]
                                   .toArray();
  bool same = registers.size() == 3;
  for (qsizetype i = 0; same && i < 3; ++i) {
    same = registers[i][QStringLiteral("value")].toString() == expected[i];
  }
  Check(jsonStatus == 0 && error.error == QJsonParseError::NoError && same,
        "json: valid, holding the strings themselves");
  for (const char* form : {"", " --format csv", " --format json"}) DumpBytes(pelmor, read + form);
}

// Blocks read by an I2C block read: the count and at most 31 data bytes.
void CheckI2cBlockReads(int bus, const std::string& pelmor) {
  const std::string name = "Pelmor Test Cells Incorporated!";  // 31 of a 32-byte name
  Check(SeedBlock(bus, 0x20, I2C_SMBUS_I2C_BLOCK_DATA, std::string(1, '\x20') + name),
        "seed a 32-byte block, the count and 31 data bytes as the stub can hold them");
  const Ran shortened = RunCapturingErrors(pelmor + " read" + Options(bus) + " ManufacturerName");
  Check(shortened.status == 1 &&
            Contains(shortened.out, "ManufacturerName  \"" + name + "\"  string  (cut short)\n") &&
            Contains(shortened.err, "claims 32 bytes; the adapter read 31"),
        "a 32-byte block is shown cut short, status 1: " + shortened.out + shortened.err);
  Check(SeedBlock(bus, 0x20, I2C_SMBUS_I2C_BLOCK_DATA, std::string(1, '\x40') + name),
        "seed a block whose count claims 64 bytes");
  const auto [overlong, overlongStatus] =
      Run(pelmor + " read" + Options(bus) + " ManufacturerName");
  Check(overlongStatus == 1 && PrintsLine(overlong, "ManufacturerName", "BUSERR", "string"),
        "a count above 32 is a bus error: " + overlong);
}

}  // namespace

int main(int argc, char** argv) {
  std::string phase = "seeded";
  int first = 1;
  if (argc > 1 && std::string(argv[1]).rfind("--", 0) == 0) {
    phase = argv[1] + 2;
    first = 2;
  }
  if (argc - first < 1 || argc - first > 2 || (phase != "seeded" && argc - first != 2)) {
    std::fprintf(stderr, "usage: %s [--held|--hostile|--i2c-block] BUS [PELMOR]\n", argv[0]);
    return 2;
  }
  const int bus = std::atoi(argv[first]);
  const std::string pelmor = argc - first == 2 ? argv[first + 1] : "";
  if (phase == "seeded") {
    CheckSeededStub(bus, pelmor);
  } else if (phase == "held") {
    CheckHeldAddress(bus, pelmor);
  } else if (phase == "hostile") {
    CheckHostilePack(bus, pelmor);
  } else if (phase == "i2c-block") {
    CheckI2cBlockReads(bus, pelmor);
  } else {
    std::fprintf(stderr, "unknown phase %s\n", phase.c_str());
    return 2;
  }
  std::printf("PELMOR KERNEL PHASE %s: %s (%d of %d checks)\n", phase.c_str(),
              failures == 0 ? "PASS" : "FAIL", checks - failures, checks);
  std::fflush(stdout);
  return failures == 0 ? 0 : 1;
}
