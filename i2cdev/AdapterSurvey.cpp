#include "i2cdev/AdapterSurvey.h"

#include <grp.h>
#include <linux/i2c-dev.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace {

bool InGroup(gid_t group) {
  if (getegid() == group) return true;
  const int count = getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int filled = getgroups(count, groups.data());
  for (int i = 0; i < filled; ++i) {
    if (groups[static_cast<std::size_t>(i)] == group) return true;
  }
  return false;
}

// Which group may open the node, and whether the user is in it.
std::string PermissionAdvice(const std::string& node) {
  struct stat status {};
  if (stat(node.c_str(), &status) != 0) return {};
  const group* owner = getgrgid(status.st_gid);
  if (owner == nullptr || status.st_gid == 0) {
    return " (only root may open it: install the udev rule, see README)";
  }
  const std::string name = owner->gr_name;
  if (InGroup(status.st_gid)) return " (group " + name + ", which you are in)";
  return " (it belongs to group " + name + ", and you are not in it: sudo usermod -aG " + name +
         " $USER, then log in again)";
}

}  // namespace

std::string OpenFailureText(int error, const std::string& node) {
  std::string text = std::error_code(error, std::generic_category()).message();
  if (error == ENOENT) text += " (is the i2c-dev module loaded? sudo modprobe i2c-dev)";
  if (error == EACCES || error == EPERM) text += PermissionAdvice(node);
  return text;
}

BusSurvey SurveyBus(DeviceCalls& calls, const I2cBusDirectory& directory, const I2cBus& bus,
                    I2cDevOptions options) {
  BusSurvey survey;
  if (!bus.usbAttached && !options.allBuses) {
    survey.leftOut = "not USB, left out (pelmor --all-buses lists it)";
    return survey;
  }
  const std::string node = directory.DeviceNode(bus.number);
  const int fd = calls.Open(node);
  if (fd < 0) {
    survey.leftOut = OpenFailureText(-fd, node);
    return survey;
  }
  unsigned long functionality = 0;
  if (calls.Ioctl(fd, I2C_FUNCS, &functionality) >= 0) survey.functionality = functionality;
  calls.Close(fd);
  return survey;
}
