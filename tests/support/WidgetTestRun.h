#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

// Runs the tests of a program that shows widgets, headless unless
// QT_QPA_PLATFORM names a platform, and returns their status.
//
// Once the application object is gone the program waits, ten seconds at
// most, until it has no other thread. The application object ends Qt's
// thread pool, which paints large areas, and the pool counts a thread as
// ended before the thread has run its last clean-up, which frees the thread's
// own record. A leak check at exit that came in between would report that
// record as leaked.
inline int RunWidgetTests(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int status = 0;
  {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    status = RUN_ALL_TESTS();
  }
  using namespace std::chrono_literals;
  const auto giveUp = std::chrono::steady_clock::now() + 10s;
  const auto threads = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                         std::filesystem::directory_iterator());
  };
  while (threads() > 1 && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(1ms);
  }
  return status;
}
