#pragma once

#include <map>
#include <string>
#include <vector>

#include "i2cdev/DeviceCalls.h"
#include "i2cdev/I2cBusDirectory.h"
#include "i2cdev/I2cDevAdapter.h"
#include "link/adapter/ComPortProber.h"

// The port list over i2c-dev: port n is listed when /dev/i2c-(n-1) exists, is
// an adapter attached through USB (any adapter with --all-buses), and can be
// opened for reading and writing now. The hint names each listed port's
// device and adapter and the addresses that kernel drivers hold on it, and
// what was left out and why; with nothing listed, it says what to check. Its
// last line points to `pelmor probe`.
class I2cDevPorts : public ComPortProber {
 public:
  I2cDevPorts(DeviceCalls& calls, const I2cBusDirectory& directory, I2cDevOptions options);

  // A discovery starts at port 1, which forgets what the last one saw.
  bool ProbeComPort(int portNumber) override;
  std::vector<std::string> HintLines(const std::vector<int>& foundPorts) override;

  // The hint's last line: where to turn when the pack does not answer.
  static constexpr const char* kProbeAdvice =
      "Adapter or pack not answering? pelmor probe looks at the bus and says why";

 private:
  DeviceCalls& calls_;
  const I2cBusDirectory& directory_;
  const I2cDevOptions options_;
  // port -> its device and adapter, then the addresses drivers hold there
  std::map<int, std::vector<std::string>> listed_;
  std::vector<std::string> leftOut_;  // buses seen but not listed, and why
};
