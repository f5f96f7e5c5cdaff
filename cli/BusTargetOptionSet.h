#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "link/AddressList.h"

// The adapter's port and the battery's address, as `read`, `write` and
// `probe` take them.
struct BusTargetOptionSet {
  QCommandLineOption port{QStringLiteral("port"),
                          QStringLiteral("The adapter's port number as the window lists it "
                                         "(default: the first listed)."),
                          QStringLiteral("N")};
  QCommandLineOption address{
      QStringLiteral("address"),
      QStringLiteral("The battery's address byte in hexadecimal, as the window's address list "
                     "shows it (default: 16, the 7-bit address 0x0B)."),
      QStringLiteral("HH"), address_list::EntryText(address_list::kSmartBatteryEntry)};

  void AddTo(QCommandLineParser& parser) const { parser.addOptions({port, address}); }

  struct Reading {
    std::optional<int> port;  // none: the first port listed
    int addressEntry = address_list::kSmartBatteryEntry;
    QString error;  // what is wrong with them, if anything
  };
  Reading Read(const QCommandLineParser& parser) const;
};
