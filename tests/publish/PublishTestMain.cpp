#include <gtest/gtest.h>

#include <QCoreApplication>

// The publisher delivers its events through the event loop of its thread.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
