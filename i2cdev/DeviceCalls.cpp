#include "i2cdev/DeviceCalls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

int SystemDeviceCalls::Open(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? -errno : fd;
}

int SystemDeviceCalls::Ioctl(int fd, unsigned long request, void* argument) {
  int result;
  do {
    result = ::ioctl(fd, request, argument);
  } while (result < 0 && errno == EINTR);
  return result < 0 ? -errno : result;
}

int SystemDeviceCalls::Close(int fd) {
  // A close interrupted by a signal has still released the descriptor on Linux.
  return ::close(fd) < 0 && errno != EINTR ? -errno : 0;
}
