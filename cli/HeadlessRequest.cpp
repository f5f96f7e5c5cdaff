#include "cli/HeadlessRequest.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "battery/HexText.h"
#include "battery/OptionalRegisters.h"
#include "battery/RegisterNames.h"
#include "battery/RegisterTable.h"
#include "battery/ValueCodec.h"
#include "cli/BusTargetOptionSet.h"
#include "link/AddressList.h"
#include "platform/PlatformOptionSet.h"
#include "publish/PublishOptionSet.h"

namespace {

// The address bytes of 7-bit addresses 0x08 to 0x77; the others are reserved
// for the general call, CBUS, other bus formats, high-speed masters and 10-bit
// addressing.
constexpr int kFirstOrdinaryAddressByte = 0x10;
constexpr int kLastOrdinaryAddressByte = 0xEE;

QStringList RegisterNames(bool writableOnly) {
  QStringList names;
  for (const RegisterDefinition& def : RegisterTable()) {
    if (def.writable || !writableOnly) names << QString::fromLatin1(def.registerName);
  }
  return names;
}

QStringList WritableNames() {
  return RegisterNames(true);
}

// "Did you mean Voltage? " when some name is close enough, else nothing.
QString Suggestion(const QString& typed, const QStringList& names) {
  const std::optional<QString> closest = ClosestName(typed, names);
  return closest ? QStringLiteral("Did you mean %1? ").arg(*closest) : QString();
}

// What --help says about the registers beyond the window's 33.
QString OptionalRegistersText() {
  QStringList named;
  for (const RegisterDefinition& def : OptionalRegisters()) {
    named << QStringLiteral("%1 (0x%2, %3)")
                 .arg(QString::fromLatin1(def.registerName), HexText(def.commandCode, 2),
                      QString::fromLatin1(def.unitClass));
  }
  return QStringLiteral(
             "Optional registers, vendor-dependent (a pack without one answers NACK in its "
             "place, and the exit status is 1): %1; and any register by its number, 0x00 to "
             "0xFF, read as a word and shown in hexadecimal and decimal.")
      .arg(named.join(QStringLiteral(", ")));
}

// A register beyond the window's rows: an optional one by its name, or any
// by its number.
std::optional<RegisterDefinition> ExtraRegisterNamed(const QString& name) {
  for (const RegisterDefinition& def : OptionalRegisters()) {
    if (name.compare(QString::fromLatin1(def.registerName), Qt::CaseInsensitive) == 0) return def;
  }
  if (const std::optional<std::uint8_t> code = RegisterNumber(name)) return NumberedRegister(*code);
  return std::nullopt;
}

// The window's row a name or a number names.
std::optional<int> WindowRowFor(const QString& name) {
  if (const std::optional<int> row = RowNamed(name)) return row;
  const std::optional<std::uint8_t> code = RegisterNumber(name);
  for (int row = 0; code && row < kRegisterRowCount; ++row) {
    if (RegisterTable()[row].commandCode == *code) return row;
  }
  return std::nullopt;
}

struct RequestParser {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  PlatformOptionSet platform;
  PublishOptionSet publish;
  BusTargetOptionSet target;
  QCommandLineOption forceAddress{
      QStringLiteral("force-address"),
      QStringLiteral("Use an address byte outside 10 to EE (reserved: the general call, "
                     "10-bit and high-speed addressing) all the same.")};
  QCommandLineOption format{QStringLiteral("format"),
                            QStringLiteral("text (default), csv (the log file's format) or json "
                                           "(one object a pass)."),
                            QStringLiteral("FORMAT"), QStringLiteral("text")};
  QCommandLineOption every{QStringLiteral("every"), QStringLiteral("Read again every SECONDS."),
                           QStringLiteral("SECONDS")};
  QCommandLineOption count{QStringLiteral("count"),
                           QStringLiteral("Passes to read; 0 reads until interrupted (default: 1, "
                                          "or 0 with --every)."),
                           QStringLiteral("N")};
  QCommandLineOption list{QStringLiteral("list"),
                          QStringLiteral("Print the register names with their command codes and "
                                         "units, and touch no bus.")};

  explicit RequestParser(bool write) {
    parser.setApplicationDescription(
        write
            ? QStringLiteral("Writes registers, then reads each back. The writable registers:\n%1.")
                  .arg(WritableNames().join(QStringLiteral(", ")))
            : QStringLiteral("Reads the named registers of a Smart Battery, all 33 when none "
                             "is named,\nand prints them in the window's table order, "
                             "whatever order they were named in.\n") +
                  OptionalRegistersText());
    if (write) {
      parser.addPositionalArgument(QStringLiteral("write"), QStringLiteral("The command."));
      parser.addPositionalArgument(QStringLiteral("REGISTER=TEXT"),
                                   QStringLiteral("A register and the text to write, as typed "
                                                  "into its field on the Write tab."),
                                   QStringLiteral("REGISTER=TEXT..."));
    } else {
      parser.addPositionalArgument(QStringLiteral("read"), QStringLiteral("The command."));
      parser.addPositionalArgument(QStringLiteral("REGISTER"),
                                   QStringLiteral("A register's name as in the window, an "
                                                  "optional register's name, or a register's "
                                                  "number (0x3C)."),
                                   QStringLiteral("[REGISTER...]"));
    }
    platform.AddTo(parser);
    target.AddTo(parser);
    parser.addOption(forceAddress);
    if (!write) {
      parser.addOptions({format, every, count, list});
      publish.AddTo(parser);
    }
  }
};

std::optional<QString> ReadRows(const QStringList& names, HeadlessRequest& request) {
  for (const QString& name : names) {
    if (const std::optional<int> row = WindowRowFor(name)) {
      request.rows.push_back(*row);
      continue;
    }
    const std::optional<RegisterDefinition> extra = ExtraRegisterNamed(name);
    if (!extra) {
      return QStringLiteral("Unknown register: %1. %2pelmor read --list prints every name.")
          .arg(name, Suggestion(name, RegisterNames(false)));
    }
    const bool named = std::any_of(
        request.extraRows.begin(), request.extraRows.end(), [&](const RegisterDefinition& def) {
          return QLatin1String(def.registerName) == QLatin1String(extra->registerName);
        });
    if (!named) request.extraRows.push_back(*extra);
  }
  if (names.isEmpty()) {
    for (int row = 0; row < kRegisterRowCount; ++row) request.rows.push_back(row);
  }
  std::sort(request.rows.begin(), request.rows.end());
  request.rows.erase(std::unique(request.rows.begin(), request.rows.end()), request.rows.end());
  for (std::size_t i = 0; i < request.extraRows.size(); ++i) {
    request.rows.push_back(kRegisterRowCount + static_cast<int>(i));
  }
  return std::nullopt;
}

std::optional<QString> ReadWrites(const QStringList& assignments, HeadlessRequest& request) {
  if (assignments.isEmpty()) return QStringLiteral("Name at least one REGISTER=TEXT to write.");
  for (const QString& assignment : assignments) {
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    if (equals < 0) return QStringLiteral("Expected REGISTER=TEXT, got: %1").arg(assignment);
    const QString name = assignment.left(equals);
    const std::optional<int> row = RowNamed(name);
    if (!row) {
      return QStringLiteral("Unknown register: %1. %2The writable registers are %3.")
          .arg(name, Suggestion(name, WritableNames()), WritableNames().join(QStringLiteral(", ")));
    }
    if (!RegisterTable()[*row].writable) {
      return QStringLiteral("%1 cannot be written; the writable registers are %2.")
          .arg(QString::fromLatin1(RegisterTable()[*row].registerName),
               WritableNames().join(QStringLiteral(", ")));
    }
    for (const auto& [earlier, text] : request.writes) {
      if (earlier == *row) return QStringLiteral("%1 is named twice.").arg(name);
    }
    const QString text = assignment.mid(equals + 1);
    const RegisterDefinition& def = RegisterTable()[*row];
    if (auto refusal = WriteTextRefusal(QString::fromLatin1(def.registerName),
                                        QString::fromLatin1(def.unitClass), text)) {
      return refusal;
    }
    request.writes.emplace_back(*row, text);
    request.rows.push_back(*row);
  }
  std::sort(request.writes.begin(), request.writes.end());
  std::sort(request.rows.begin(), request.rows.end());
  return std::nullopt;
}

std::optional<QString> ReadPublishOptions(const RequestParser& p, HeadlessRequest& request) {
  PublishOptionSet::Reading reading = p.publish.Read(p.parser);
  if (!reading.error.isEmpty()) return reading.error;
  request.publish = std::move(reading.settings);
  return std::nullopt;
}

std::optional<QString> ReadOptions(const RequestParser& p, HeadlessRequest& request) {
  const QCommandLineParser& parser = p.parser;
  if (const std::optional<QString> invalid = p.platform.Invalid(parser)) return invalid;
  request.platform = p.platform.Read(parser);
  const BusTargetOptionSet::Reading target = p.target.Read(parser);
  if (!target.error.isEmpty()) return target.error;
  if (target.port) request.comPortEntry = QString::number(*target.port);
  const int addressByte = AddressByteOf(address_list::AddressOf(target.addressEntry)).value;
  if ((addressByte < kFirstOrdinaryAddressByte || addressByte > kLastOrdinaryAddressByte) &&
      !parser.isSet(p.forceAddress)) {
    return QStringLiteral(
               "--address %1 is reserved (ordinary addresses are 10 to EE); --force-address "
               "uses it all the same.")
        .arg(address_list::EntryText(target.addressEntry));
  }
  request.addressEntry = target.addressEntry;
  if (request.write) return std::nullopt;

  const QString format = parser.value(p.format);
  if (format == QLatin1String("text")) {
    request.format = OutputFormat::Text;
  } else if (format == QLatin1String("csv")) {
    request.format = OutputFormat::Csv;
  } else if (format == QLatin1String("json")) {
    request.format = OutputFormat::Json;
  } else {
    return QStringLiteral("--format takes text, csv or json, not: %1").arg(format);
  }
  if (parser.isSet(p.every)) {
    bool ok = false;
    const double seconds = parser.value(p.every).toDouble(&ok);
    if (!ok || !(seconds >= 0) || seconds > 24 * 3600) {
      return QStringLiteral("--every takes a number of seconds, not: %1")
          .arg(parser.value(p.every));
    }
    request.everyMs = static_cast<int>(std::lround(seconds * 1000));
    request.count = 0;
  }
  if (parser.isSet(p.count)) {
    bool ok = false;
    const int count = parser.value(p.count).toInt(&ok, 10);
    if (!ok || count < 0) {
      return QStringLiteral("--count takes a whole number, 0 or more, not: %1")
          .arg(parser.value(p.count));
    }
    request.count = count;
  }
  return ReadPublishOptions(p, request);
}

}  // namespace

HeadlessParse ParseHeadlessCommand(const QStringList& arguments) {
  const bool write = arguments.size() > 1 && arguments[1] == QLatin1String("write");
  RequestParser p(write);
  HeadlessParse result;
  result.usage = p.parser.helpText();
  if (!p.parser.parse(PlatformOptionSet::Unfold(arguments))) {
    result.error = p.parser.errorText();
    return result;
  }
  if (p.parser.isSet(p.help)) {
    result.helpAsked = true;
    return result;
  }
  if (!write && p.parser.isSet(p.list)) {
    result.listAsked = true;
    return result;
  }
  HeadlessRequest request;
  request.write = write;
  const QStringList operands = p.parser.positionalArguments().mid(1);
  std::optional<QString> error =
      write ? ReadWrites(operands, request) : ReadRows(operands, request);
  if (!error) error = ReadOptions(p, request);
  if (error) {
    result.error = *error;
    return result;
  }
  result.request = std::move(request);
  return result;
}
