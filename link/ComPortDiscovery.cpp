#include "link/ComPortDiscovery.h"

#include <string>
#include <vector>

namespace {

// Qt tips break lines at a line feed, not at a lone carriage return.
QString Hint(const QString& firstLine, const QStringList& platformLines) {
  return QStringList{firstLine, platformLines.join(QLatin1Char('\n'))}.join(QLatin1Char('\n'));
}

}  // namespace

ComPortListing DiscoverComPorts(ComPortProber& prober) {
  ComPortListing listing;
  std::vector<int> found;
  for (int port = 1; port <= kHighestProbedPort; ++port) {
    if (prober.ProbeComPort(port)) {
      listing.entries << QString::number(port);
      found.push_back(port);
    }
  }
  QStringList platformLines;
  for (const std::string& line : prober.HintLines(found))
    platformLines << QString::fromStdString(line);
  if (found.empty()) {
    listing.entries << QStringLiteral("None");
    listing.hint = Hint(QStringLiteral("No ComPorts Detected"), platformLines);
    return listing;
  }
  listing.entries << QString();
  listing.hint = Hint(QStringLiteral("Select PC ComPort"), platformLines);
  listing.selectedRow = 0;
  return listing;
}

ComPortChoice ChooseComPort(const std::optional<QString>& given, ComPortProber& prober) {
  if (given) return {given, {}};
  const ComPortListing listing = DiscoverComPorts(prober);
  if (!listing.selectedRow) return {std::nullopt, listing.hint};
  return {listing.entries[*listing.selectedRow], {}};
}
