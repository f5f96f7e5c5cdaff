#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "link/adapter/ComPortProber.h"

// What the COM port list shows after a discovery.
struct ComPortListing {
  QStringList entries;
  QString hint;
  std::optional<int> selectedRow;  // the first port found; none when no port was found
};

inline constexpr int kHighestProbedPort = 99;

// Probes ports 1 to 99 in order. Found ports are listed by number and followed
// by one empty entry; with none found the list holds only "None".
ComPortListing DiscoverComPorts(ComPortProber& prober);

// The port a command was given, or else the first one a discovery finds; with
// none found, no entry and the listing's hint, which says why.
struct ComPortChoice {
  std::optional<QString> entry;
  QString hint;
};
ComPortChoice ChooseComPort(const std::optional<QString>& given, ComPortProber& prober);
