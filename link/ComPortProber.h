#pragma once

// Tells whether serial port n (1 to 99) can be opened for reading and writing
// at this moment; the port is closed again at once.
class ComPortProber {
 public:
  virtual ~ComPortProber() = default;
  virtual bool ProbeComPort(int portNumber) = 0;
};
