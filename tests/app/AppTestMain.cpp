// Runs the window tests headless: one QApplication for the whole run, with
// settings and configuration folders of its own (the file dialog keeps its
// history there).
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

namespace {

// The application object ends the thread pool that drew the windows, and the
// pool counts a thread as ended before the thread has run its last clean-up,
// which frees the thread's own record. A leak check at exit that came in
// between would report that record as leaked: the run ends once every other
// thread is gone.
void WaitForOtherThreadsToEnd() {
  using namespace std::chrono_literals;
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  const auto threads = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                         std::filesystem::directory_iterator());
  };
  while (threads() > 1 && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(1ms);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int status = 0;
  {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    status = RUN_ALL_TESTS();
  }
  WaitForOtherThreadsToEnd();
  return status;
}
