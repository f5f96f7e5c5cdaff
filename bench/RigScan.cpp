#include "bench/RigScan.h"

#include <fstream>
#include <string>

void RigTimer::SetInterval(int ms) {
  if (ms == interval_) return;
  interval_ = ms;
  if (active_) deadline_ = Now() + std::chrono::milliseconds(ms);
}

void RigTimer::Start() {
  if (active_) return;
  active_ = true;
  deadline_ = Now() + std::chrono::milliseconds(interval_);
}

bool RigTimer::FireIfDue() {
  if (!active_ || deadline_ > Now()) return false;
  deadline_ = Now() + std::chrono::milliseconds(interval_);
  handler_();
  return true;
}

std::optional<RigTimer::Micros> RigTimer::Deadline() const {
  return active_ ? std::optional(deadline_) : std::nullopt;
}

QDateTime RigClock::Now() const {
  return base_.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(rig_.Now()).count());
}

RigScan::RigScan() {
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

void RigScan::AdvanceRig() {
  Micros step = Now() + std::chrono::milliseconds(1);
  for (RigTimer* timer : {&timer1_, &timer2_}) {
    if (auto deadline = timer->Deadline()) step = std::min(step, std::max(*deadline, Now()));
  }
  rig_->Advance(step - Now());
}

void RigScan::FireDueTimers() {
  timer1_.FireIfDue();
  timer2_.FireIfDue();
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
