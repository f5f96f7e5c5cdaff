// The main of the plain test programs: Qt's writable folders (settings,
// configuration, data, cache) are the tests' own, never the user's.
#include <gtest/gtest.h>

#include <QStandardPaths>

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
