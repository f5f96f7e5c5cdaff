// Runs inside the test machine: discovers the ports as the window's COM port
// list does in the default mode (USB adapters only) and prints the list's
// hint, one line each, as a person would read it on the list's tool tip.
#include <QTextStream>

#include "i2cdev/I2cDevBundle.h"
#include "link/ComPortDiscovery.h"

int main() {
  I2cDevBundle bundle({});
  const ComPortListing listing = DiscoverComPorts(bundle.Bundle().prober);
  QTextStream(stdout) << listing.hint << '\n';
  return listing.selectedRow ? 0 : 1;
}
