#include "HeadlessRequest.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cmath>

#include "AddressList.h"
#include "PlatformOptionSet.h"
#include "RegisterTable.h"
#include "ValueCodec.h"

namespace {

const QString kDefaultAddress = address_list::EntryText(address_list::kSmartBatteryEntry);
// The address bytes of 7-bit addresses 0x08 to 0x77; the others are reserved
// for the general call, CBUS, other bus formats, high-speed masters and 10-bit
// addressing.
constexpr int kFirstOrdinaryAddressByte = 0x10;
constexpr int kLastOrdinaryAddressByte = 0xEE;

QStringList WritableNames() {
  QStringList names;
  for (const RegisterDefinition& def : RegisterTable()) {
    if (def.writable) names << QString::fromLatin1(def.registerName);
  }
  return names;
}

struct Parser {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  PlatformOptionSet platform;
  QCommandLineOption port{QStringLiteral("port"),
                          QStringLiteral("The adapter's port number as the window lists it "
                                         "(default: the first listed)."),
                          QStringLiteral("N")};
  QCommandLineOption address{QStringLiteral("address"),
                             QStringLiteral("The battery's address byte in hexadecimal, as the "
                                            "window's address list shows it (default: 16)."),
                             QStringLiteral("HH"), kDefaultAddress};
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

  explicit Parser(bool write) {
    parser.setApplicationDescription(
        write ? QStringLiteral("Writes the writable registers (%1), then reads each back.")
                    .arg(WritableNames().join(QStringLiteral(", ")))
              : QStringLiteral("Reads the named registers of a Smart Battery, all 33 when none "
                               "is named."));
    if (write) {
      parser.addPositionalArgument(QStringLiteral("write"), QStringLiteral("The command."));
      parser.addPositionalArgument(QStringLiteral("REGISTER=TEXT"),
                                   QStringLiteral("A register and the text to write, as typed "
                                                  "into its field on the Write tab."),
                                   QStringLiteral("REGISTER=TEXT..."));
    } else {
      parser.addPositionalArgument(QStringLiteral("read"), QStringLiteral("The command."));
      parser.addPositionalArgument(QStringLiteral("REGISTER"),
                                   QStringLiteral("A register's name as in the window."),
                                   QStringLiteral("[REGISTER...]"));
    }
    platform.AddTo(parser);
    parser.addOptions({port, address, forceAddress});
    if (!write) parser.addOptions({format, every, count});
  }
};

std::optional<QString> ReadRows(const QStringList& names, HeadlessRequest& request) {
  for (const QString& name : names) {
    const std::optional<int> row = RowNamed(name);
    if (!row) return QStringLiteral("Unknown register: %1").arg(name);
    request.rows.push_back(*row);
  }
  if (names.isEmpty()) {
    for (int row = 0; row < kRegisterRowCount; ++row) request.rows.push_back(row);
  }
  std::sort(request.rows.begin(), request.rows.end());
  request.rows.erase(std::unique(request.rows.begin(), request.rows.end()), request.rows.end());
  return std::nullopt;
}

std::optional<QString> ReadWrites(const QStringList& assignments, HeadlessRequest& request) {
  if (assignments.isEmpty()) return QStringLiteral("Name at least one REGISTER=TEXT to write.");
  for (const QString& assignment : assignments) {
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    if (equals < 0) return QStringLiteral("Expected REGISTER=TEXT, got: %1").arg(assignment);
    const QString name = assignment.left(equals);
    const std::optional<int> row = RowNamed(name);
    if (!row) return QStringLiteral("Unknown register: %1").arg(name);
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

std::optional<QString> ReadOptions(const Parser& p, HeadlessRequest& request) {
  const QCommandLineParser& parser = p.parser;
  request.platform = p.platform.Read(parser);
  if (parser.isSet(p.port)) {
    bool ok = false;
    const uint port = parser.value(p.port).toUInt(&ok, 10);
    if (!ok || port > 255) {
      return QStringLiteral("--port takes a port number, not: %1").arg(parser.value(p.port));
    }
    request.comPortEntry = QString::number(port);
  }
  const std::optional<int> address = address_list::EntryOf(parser.value(p.address));
  if (!address) {
    return QStringLiteral("--address takes an even address byte 00 to FE in hexadecimal, not: %1")
        .arg(parser.value(p.address));
  }
  const int addressByte = *address * 2;
  if ((addressByte < kFirstOrdinaryAddressByte || addressByte > kLastOrdinaryAddressByte) &&
      !parser.isSet(p.forceAddress)) {
    return QStringLiteral(
               "--address %1 is reserved (ordinary addresses are 10 to EE); --force-address "
               "uses it all the same.")
        .arg(address_list::EntryText(*address));
  }
  request.addressEntry = *address;
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
  return std::nullopt;
}

}  // namespace

std::optional<int> RowNamed(const QString& name) {
  for (int row = 0; row < kRegisterRowCount; ++row) {
    if (name.compare(QString::fromLatin1(RegisterTable()[row].registerName), Qt::CaseInsensitive) ==
        0) {
      return row;
    }
  }
  return std::nullopt;
}

HeadlessParse ParseHeadlessCommand(const QStringList& arguments) {
  const bool write = arguments.size() > 1 && arguments[1] == QLatin1String("write");
  Parser p(write);
  HeadlessParse result;
  result.usage = p.parser.helpText();
  if (!p.parser.parse(arguments)) {
    result.error = p.parser.errorText();
    return result;
  }
  if (p.parser.isSet(p.help)) {
    result.helpAsked = true;
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
