// Launches Pelmor (on the emulated rig) and a bare Qt window in turn under
// the same X server, and measures for each launch the time until its window
// is mapped and exposed, and its resident memory one second later. Prints
// every launch, the medians and Pelmor's ratios to the bare window.
//
// Usage (needs an X server, for example):
//   xvfb-run -a build/bench/startup_benchmark [pairs]   (default 10)
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using SteadyClock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

struct Launch {
  double visibleMs = 0;
  double residentMiB = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double ResidentMiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kib = 0;
      status >> kib;
      return kib / 1024;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

class XServer {
 public:
  XServer() : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_)) {
      std::fprintf(stderr, "No X server: run this under xvfb-run or on a desktop.\n");
      std::exit(1);
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
  }
  ~XServer() { xcb_disconnect(connection_); }

  // Waits until a new top-level window is mapped and then exposed: the moment
  // a person sees it. Top-level windows created meanwhile are watched for
  // exposure; an override-redirect window (a pop-up) does not count.
  bool WaitForVisibleWindow(std::chrono::seconds limit) {
    const auto deadline = SteadyClock::now() + limit;
    while (SteadyClock::now() < deadline) {
      xcb_generic_event_t* event = NextEvent(deadline);
      if (event == nullptr) return false;
      const std::uint8_t type = event->response_type & 0x7F;
      bool visible = false;
      if (type == XCB_CREATE_NOTIFY) {
        const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
        if (!created->override_redirect) {
          const std::uint32_t mask = XCB_EVENT_MASK_EXPOSURE;
          xcb_change_window_attributes(connection_, created->window, XCB_CW_EVENT_MASK, &mask);
          xcb_flush(connection_);
        }
      } else if (type == XCB_EXPOSE) {
        visible = true;
      }
      std::free(event);
      if (visible) return true;
    }
    return false;
  }

  void Drain() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) std::free(event);
  }

 private:
  xcb_generic_event_t* NextEvent(SteadyClock::time_point deadline) {
    for (;;) {
      if (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) return event;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
      if (left.count() <= 0) return nullptr;
      pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left.count()));
    }
  }

  xcb_connection_t* connection_;
  xcb_window_t root_;
};

std::optional<Launch> Measure(XServer& x, std::vector<std::string> command) {
  x.Drain();
  std::vector<char*> argv;
  for (std::string& argument : command) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const auto start = SteadyClock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return std::nullopt;
  const bool visible = x.WaitForVisibleWindow(std::chrono::seconds(20));
  const double visibleMs = Millis(SteadyClock::now() - start).count();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const double resident = ResidentMiB(pid);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  if (!visible) return std::nullopt;
  return Launch{visibleMs, resident};
}

}  // namespace

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  XServer x;
  const std::vector<std::string> pelmor{PELMOR_EXECUTABLE, "--emulated"};
  const std::vector<std::string> bare{BARE_WINDOW_EXECUTABLE};

  std::vector<double> pelmorMs, bareMs, pelmorMiB, bareMiB;
  std::printf("pair  pelmor_ms  bare_ms  pelmor_MiB  bare_MiB\n");
  for (int pair = 1; pair <= pairs; ++pair) {
    // Alternate which program goes first, so neither always finds a warm cache.
    const bool pelmorFirst = pair % 2 == 1;
    std::optional<Launch> a = Measure(x, pelmorFirst ? pelmor : bare);
    std::optional<Launch> b = Measure(x, pelmorFirst ? bare : pelmor);
    if (!a || !b) {
      std::fprintf(stderr, "a window did not appear within 20 s\n");
      return 1;
    }
    const Launch& p = pelmorFirst ? *a : *b;
    const Launch& q = pelmorFirst ? *b : *a;
    pelmorMs.push_back(p.visibleMs);
    bareMs.push_back(q.visibleMs);
    pelmorMiB.push_back(p.residentMiB);
    bareMiB.push_back(q.residentMiB);
    std::printf("%4d  %9.1f  %7.1f  %10.1f  %8.1f\n", pair, p.visibleMs, q.visibleMs, p.residentMiB,
                q.residentMiB);
  }
  const double startRatio = Median(pelmorMs) / Median(bareMs);
  const double memoryRatio = Median(pelmorMiB) / Median(bareMiB);
  std::printf("median start-up: pelmor %.1f ms, bare window %.1f ms, ratio %.2f\n",
              Median(pelmorMs), Median(bareMs), startRatio);
  std::printf(
      "median resident memory after 1 s: pelmor %.1f MiB, bare window %.1f MiB, ratio %.2f\n",
      Median(pelmorMiB), Median(bareMiB), memoryRatio);
  return 0;
}
