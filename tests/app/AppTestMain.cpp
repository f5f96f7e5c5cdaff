// Runs the window tests headless: one QApplication for the whole run, with
// settings and configuration folders of its own (the file dialog keeps its
// history there).
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

#include "tests/support/LastThread.h"

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int status = 0;
  {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    status = RUN_ALL_TESTS();
  }
  WaitUntilLastThread();
  return status;
}
