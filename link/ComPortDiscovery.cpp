#include "ComPortDiscovery.h"

ComPortListing DiscoverComPorts(ComPortProber& prober) {
  ComPortListing listing;
  for (int port = 1; port <= kHighestProbedPort; ++port) {
    if (prober.ProbeComPort(port)) listing.entries << QString::number(port);
  }
  if (listing.entries.isEmpty()) {
    listing.entries << QStringLiteral("None");
    // Qt tips break lines at a line feed, not at a lone carriage return.
    listing.hint = QStringLiteral("No ComPorts Detected\nSee Windows Device Manager");
    return listing;
  }
  listing.entries << QString();
  listing.hint = QStringLiteral("Select PC ComPort");
  listing.selectedRow = 0;
  return listing;
}
