#pragma once

#include <string>
#include <vector>

// The ports of the machine the program runs on: which can be opened now, and
// what the port list's hint says about them.
class ComPortProber {
 public:
  virtual ~ComPortProber() = default;
  // Tells whether port n (1 to 99) can be opened for reading and writing at
  // this moment; the port is closed again at once. A discovery probes the
  // ports in ascending order, starting at 1.
  virtual bool ProbeComPort(int portNumber) = 0;
  // The lines that the port list's hint carries below its first line after a
  // discovery that found these ports: with ports found, which device each one
  // is; with none, what to check on this platform. A stand-in for real
  // hardware says so here, where a person looks.
  virtual std::vector<std::string> HintLines(const std::vector<int>& foundPorts) = 0;
};
