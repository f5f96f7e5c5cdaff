// An emulated USB-to-SMBus adapter for the test machine: presents a CP2112, an
// MCP2221A or an FT260 on a USB device controller through FunctionFS (the gadget itself
// is set up in configfs by the guest script), with the emulated rig's Smart
// Battery behind it. The kernel's own HID driver for the chip binds to it.
//   usb_adapter_gadget cp2112|mcp2221|ft260 FUNCTIONFS_DIR
// Runs until killed; the gadget may be unbound from its controller and bound
// again meanwhile (an unplug and a replug). USB_GADGET_BUS names the file
// whose line sets the pack's clock stretch and a bus fault (see BatteryBus.h).
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tests/kernel/usb/Cp2112.h"
#include "tests/kernel/usb/Ft260.h"
#include "tests/kernel/usb/Mcp2221.h"

namespace {

constexpr int kPacketSize = 64;
constexpr std::uint8_t kHidDescriptorType = 0x21;
constexpr std::uint8_t kReportDescriptorType = 0x22;

void PutLe16(Report& out, std::uint16_t value) {
  out.insert(out.end(), {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
}
void PutLe32(Report& out, std::uint32_t value) {
  PutLe16(out, static_cast<std::uint16_t>(value));
  PutLe16(out, static_cast<std::uint16_t>(value >> 16));
}

Report HidDescriptor(std::size_t reportDescriptorLength) {
  Report hid = {9, kHidDescriptorType, 0x11, 0x01, 0x00, 1, kReportDescriptorType};
  PutLe16(hid, static_cast<std::uint16_t>(reportDescriptorLength));
  return hid;
}

// One HID interface with an interrupt IN and an interrupt OUT endpoint, at
// full and at high speed (FunctionFS descriptors, version 2), no strings.
Report FunctionDescriptors(std::size_t reportDescriptorLength) {
  Report speeds;
  for (const std::uint8_t interval : {1, 4}) {  // 1 ms: a frame, then eight microframes
    speeds.insert(speeds.end(), {9, USB_DT_INTERFACE, 0, 0, 2, USB_CLASS_HID, 0, 0, 0});
    const Report hid = HidDescriptor(reportDescriptorLength);
    speeds.insert(speeds.end(), hid.begin(), hid.end());
    for (const std::uint8_t address : {USB_DIR_IN | 1, USB_DIR_OUT | 2}) {
      speeds.insert(speeds.end(),
                    {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, address, USB_ENDPOINT_XFER_INT});
      PutLe16(speeds, kPacketSize);
      speeds.push_back(interval);
    }
  }
  Report blob;
  PutLe32(blob, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
  PutLe32(blob, static_cast<std::uint32_t>(12 + 8 + speeds.size()));
  PutLe32(blob, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
  PutLe32(blob, 4);  // descriptors at full speed
  PutLe32(blob, 4);  // and at high speed
  blob.insert(blob.end(), speeds.begin(), speeds.end());
  return blob;
}

Report NoStrings() {
  Report blob;
  PutLe32(blob, FUNCTIONFS_STRINGS_MAGIC);
  PutLe32(blob, 16);
  PutLe32(blob, 0);
  PutLe32(blob, 0);
  return blob;
}

// With USB_GADGET_TRACE set, every report in and out goes to standard error.
void Trace(const char* direction, const Report& report) {
  static const bool on = std::getenv("USB_GADGET_TRACE") != nullptr;
  if (!on) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::fprintf(stderr, "%ld.%06ld %s", static_cast<long>(now.tv_sec), now.tv_nsec / 1000,
               direction);
  for (std::size_t i = 0; i < report.size() && i < 8; ++i) std::fprintf(stderr, " %02X", report[i]);
  std::fprintf(stderr, "\n");
}

bool WriteAll(int fd, const Report& bytes) {
  return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

class Gadget {
 public:
  Gadget(std::unique_ptr<HidChip> chip, std::string directory)
      : chip_(std::move(chip)), directory_(std::move(directory)) {}

  int Run() {
    ep0_ = ::open((directory_ + "/ep0").c_str(), O_RDWR);
    const Report reportDescriptor = chip_->ReportDescriptor();
    if (ep0_ < 0 || !WriteAll(ep0_, FunctionDescriptors(reportDescriptor.size())) ||
        !WriteAll(ep0_, NoStrings())) {
      std::perror("usb_adapter_gadget: FunctionFS ep0");
      return 1;
    }
    std::thread(&Gadget::ServeInterruptEndpoints, this).detach();
    std::printf("usb_adapter_gadget: ready\n");
    std::fflush(stdout);
    for (;;) {
      usb_functionfs_event events[4];
      const ssize_t got = ::read(ep0_, events, sizeof events);
      if (got < 0) {
        if (errno == EINTR) continue;
        std::perror("usb_adapter_gadget: ep0 read");
        return 1;
      }
      for (ssize_t i = 0; i < got / static_cast<ssize_t>(sizeof events[0]); ++i) {
        Handle(events[i]);
      }
    }
  }

 private:
  void Handle(const usb_functionfs_event& event) {
    static const char* const kNames[] = {"bind",  "unbind",  "enable", "disable",
                                         "setup", "suspend", "resume"};
    if (event.type != FUNCTIONFS_SETUP) {
      if (event.type < sizeof kNames / sizeof kNames[0]) {
        std::fprintf(stderr, "usb_adapter_gadget: %s\n", kNames[event.type]);
      }
      return;
    }
    const usb_ctrlrequest& setup = event.u.setup;
    const std::uint16_t value = setup.wValue;
    const std::uint16_t length = setup.wLength;
    const bool in = (setup.bRequestType & USB_DIR_IN) != 0;
    std::optional<Report> answer;
    bool accepted = false;
    std::unique_lock lock(mutex_);
    switch ((setup.bRequestType << 8) | setup.bRequest) {
      case (USB_DIR_IN | USB_RECIP_INTERFACE) << 8 | USB_REQ_GET_DESCRIPTOR:
        if (value >> 8 == kReportDescriptorType) answer = chip_->ReportDescriptor();
        if (value >> 8 == kHidDescriptorType) {
          answer = HidDescriptor(chip_->ReportDescriptor().size());
        }
        break;
      case (USB_DIR_IN | USB_TYPE_CLASS | USB_RECIP_INTERFACE) << 8 | 0x01:  // GET_REPORT
        if (value >> 8 == 3) {
          if (chip_->FollowsOutput(static_cast<std::uint8_t>(value))) AwaitOutput(lock);
          answer = chip_->GetFeature(static_cast<std::uint8_t>(value));
        }
        break;
      case (USB_DIR_IN | USB_TYPE_CLASS | USB_RECIP_INTERFACE) << 8 | 0x02:  // GET_IDLE
        answer = Report{0};
        break;
      case (USB_DIR_OUT | USB_TYPE_CLASS | USB_RECIP_INTERFACE) << 8 | 0x09: {  // SET_REPORT
        Report report(length);
        if (::read(ep0_, report.data(), report.size()) != static_cast<ssize_t>(report.size())) {
          return;
        }
        if (value >> 8 == 3) chip_->SetFeature(report);
        if (value >> 8 == 2) Send(chip_->Output(report));
        return;
      }
      case (USB_DIR_OUT | USB_TYPE_CLASS | USB_RECIP_INTERFACE) << 8 | 0x0A:  // SET_IDLE
      case (USB_DIR_OUT | USB_TYPE_CLASS | USB_RECIP_INTERFACE) << 8 | 0x0B:  // SET_PROTOCOL
        accepted = true;
        break;
      default:
        break;
    }
    if (answer) {
      answer->resize(std::min<std::size_t>(answer->size(), length));
      WriteAll(ep0_, *answer);
    } else if (accepted) {
      [[maybe_unused]] const ssize_t done = ::read(ep0_, nullptr, 0);
    } else {
      // I/O against the request's direction stalls it.
      [[maybe_unused]] const ssize_t stalled = in ? ::read(ep0_, nullptr, 0) : ::write(ep0_, "", 0);
    }
  }

  // The output report the host sent before this request has reached the
  // kernel's queue of the OUT endpoint, but the thread serving it may not have
  // run yet: a status asked for now must wait for it, as the chip's would.
  // An output report handled since the last status asked is taken for it;
  // with none, a second status in a row (the driver's wake-up query) is
  // answered after a short wait.
  void AwaitOutput(std::unique_lock<std::mutex>& lock) {
    handled_.wait_for(lock, std::chrono::milliseconds(500),
                      [this] { return outputsHandled_ != outputsAtLastStatus_; });
    outputsAtLastStatus_ = outputsHandled_;
  }

  void Send(const std::vector<Report>& reports) {
    for (Report report : reports) {
      report.resize(kPacketSize, 0);
      Trace("in ", report);
      if (!WriteAll(in_, report)) Trace("in failed", {});
    }
  }

  // Output reports in, input reports out. While the gadget is unbound the
  // endpoints fail; they serve again once it is bound and enabled.
  void ServeInterruptEndpoints() {
    in_ = ::open((directory_ + "/ep1").c_str(), O_RDWR);
    const int out = ::open((directory_ + "/ep2").c_str(), O_RDWR);
    if (in_ < 0 || out < 0) {
      std::perror("usb_adapter_gadget: endpoint files");
      std::exit(1);
    }
    for (;;) {
      Report report(kPacketSize);
      const ssize_t got = ::read(out, report.data(), report.size());
      if (got <= 0) {
        ::usleep(10000);
        continue;
      }
      report.resize(static_cast<std::size_t>(got));
      Trace("out", report);
      std::unique_lock lock(mutex_);
      const std::vector<Report> answer = chip_->Output(report);
      const auto due = chip_->InputDue();
      lock.unlock();
      std::this_thread::sleep_until(due);
      lock.lock();
      Send(answer);
      ++outputsHandled_;
      handled_.notify_all();
    }
  }

  std::unique_ptr<HidChip> chip_;
  const std::string directory_;
  std::mutex mutex_;
  std::condition_variable handled_;
  unsigned outputsHandled_ = 0;
  unsigned outputsAtLastStatus_ = 0;
  int ep0_ = -1;
  int in_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string chip = argc == 3 ? argv[1] : "";
  const char* condition = std::getenv("USB_GADGET_BUS");
  static BatteryBus bus(condition != nullptr ? condition : "");
  std::unique_ptr<HidChip> emulated;
  if (chip == "cp2112") emulated = std::make_unique<Cp2112>(bus);
  if (chip == "mcp2221") emulated = std::make_unique<Mcp2221>(bus);
  if (chip == "ft260") emulated = std::make_unique<Ft260>(bus);
  if (!emulated) {
    std::fprintf(stderr, "usage: %s cp2112|mcp2221|ft260 FUNCTIONFS_DIR\n", argv[0]);
    return 2;
  }
  return Gadget(std::move(emulated), argv[2]).Run();
}
