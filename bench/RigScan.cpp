#include "bench/RigScan.h"

#include <fstream>
#include <string>

RigScan::RigScan(EmulatedPack pack) : rig_(EmulatedRig::Deterministic(EmulatedFault::None, pack)) {
  catalogue_.BuildCatalogue(rows_);
}

void RigScan::TickOnly(const std::vector<int>& rows) {
  catalogue_.SelectAll(false);
  for (const int row : rows) catalogue_.SetSelected(row, true);
}

void RigScan::Start(RepeatInterval interval) {
  engine_.SetRepeatInterval(interval);
  engine_.Start(ScanMode::Read);
}

void RigScan::Stop() {
  engine_.Stop();
  log_.MenuFileCloseLogFileClick();
}

namespace {

long StatusKiB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
  }
  return -1;
}

}  // namespace

long ResidentKiB() {
  return StatusKiB("VmRSS:");
}

long PeakResidentKiB() {
  return StatusKiB("VmHWM:");
}
