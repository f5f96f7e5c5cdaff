// Launches Pelmor (on the emulated rig) and the bare window that shows one
// line of text (BareText.cpp, the shared anchor) in turn under the same X
// server, and measures for each launch the time until the X server maps a
// top-level window of that process (its MapNotify, told apart by the window's
// _NET_WM_PID), and its resident memory one second later. Prints every
// launch, the medians and Pelmor's ratios to the bare window: the median of
// the pairs' ratios, as the shared startup_bench.py takes them.
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
  double mappedMs = 0;
  double residentMiB = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
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
    const char name[] = "_NET_WM_PID";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, sizeof name - 1, name), nullptr);
    pidAtom_ = atom != nullptr ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(atom);
    xcb_flush(connection_);
  }
  ~XServer() { xcb_disconnect(connection_); }

  // Waits until the X server maps a top-level window of process pid.
  bool WaitForMappedWindow(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = SteadyClock::now() + limit;
    while (SteadyClock::now() < deadline) {
      xcb_generic_event_t* event = NextEvent(deadline);
      if (event == nullptr) return false;
      bool mapped = false;
      if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
        mapped = OwnerOf(reinterpret_cast<xcb_map_notify_event_t*>(event)->window) == pid;
      }
      std::free(event);
      if (mapped) return true;
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

  // The process that set the window's _NET_WM_PID; 0 when none did.
  pid_t OwnerOf(xcb_window_t window) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1),
        nullptr);
    pid_t owner = 0;
    if (reply != nullptr && xcb_get_property_value_length(reply) == 4) {
      owner = static_cast<pid_t>(*static_cast<std::uint32_t*>(xcb_get_property_value(reply)));
    }
    std::free(reply);
    return owner;
  }

  xcb_connection_t* connection_;
  xcb_window_t root_;
  xcb_atom_t pidAtom_;
};

std::optional<Launch> Measure(XServer& x, std::vector<std::string> command) {
  x.Drain();
  std::vector<char*> argv;
  for (std::string& argument : command) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const auto start = SteadyClock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return std::nullopt;
  const bool mapped = x.WaitForMappedWindow(pid, std::chrono::seconds(20));
  const double mappedMs = Millis(SteadyClock::now() - start).count();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const double resident = ResidentMiB(pid);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  if (!mapped) return std::nullopt;
  return Launch{mappedMs, resident};
}

}  // namespace

struct Program {
  const char* name;
  std::vector<std::string> command;
  std::vector<double> ms, mib;
};

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  XServer x;
  // The anchor first; the window's face alone tells how much of the distance
  // to the anchor the controls themselves take, whatever is behind them.
  std::vector<Program> programs = {{"bare_text", {BARE_TEXT_EXECUTABLE}, {}, {}},
                                   {"pelmor", {PELMOR_EXECUTABLE, "--emulated"}, {}, {}},
                                   {"window_face", {WINDOW_FACE_EXECUTABLE}, {}, {}}};
  std::printf("round  program      ms      MiB\n");
  for (int round = 1; round <= rounds; ++round) {
    // Rotate which program goes first, so none always finds a warm cache.
    for (std::size_t turn = 0; turn < programs.size(); ++turn) {
      Program& program = programs[(turn + round) % programs.size()];
      const std::optional<Launch> launch = Measure(x, program.command);
      if (!launch) {
        std::fprintf(stderr, "%s: its window did not appear within 20 s\n", program.name);
        return 1;
      }
      program.ms.push_back(launch->mappedMs);
      program.mib.push_back(launch->residentMiB);
      std::printf("%5d  %-11s %6.1f  %6.1f\n", round, program.name, launch->mappedMs,
                  launch->residentMiB);
    }
  }
  const Program& anchor = programs.front();
  for (std::size_t p = 1; p < programs.size(); ++p) {
    std::vector<double> startRatios, memoryRatios;
    for (int round = 0; round < rounds; ++round) {
      startRatios.push_back(programs[p].ms[round] / anchor.ms[round]);
      memoryRatios.push_back(programs[p].mib[round] / anchor.mib[round]);
    }
    std::printf(
        "%s against bare_text: start-up %.1f vs %.1f ms, ratio %.2f; resident memory after "
        "1 s %.1f vs %.1f MiB, ratio %.2f\n",
        programs[p].name, Median(programs[p].ms), Median(anchor.ms), Median(startRatios),
        Median(programs[p].mib), Median(anchor.mib), Median(memoryRatios));
  }
  return 0;
}
