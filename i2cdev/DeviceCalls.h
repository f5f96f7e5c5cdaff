#pragma once

#include <string>

// The three calls through which the library reaches an i2c-dev device node.
// Each answers as the kernel does, but without errno: a failed call returns
// the negated error number (-ENODEV), so that a fake can fail any call with
// any error and the answer cannot be lost between threads.
class DeviceCalls {
 public:
  virtual ~DeviceCalls() = default;
  // Opens the node for reading and writing; the descriptor, or -errno.
  virtual int Open(const std::string& path) = 0;
  // The ioctl's result (>= 0), or -errno.
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  // 0, or -errno.
  virtual int Close(int fd) = 0;
};

// The real calls: open(2) with O_RDWR | O_CLOEXEC, ioctl(2), close(2).
class SystemDeviceCalls : public DeviceCalls {
 public:
  int Open(const std::string& path) override;
  int Ioctl(int fd, unsigned long request, void* argument) override;
  int Close(int fd) override;
};
