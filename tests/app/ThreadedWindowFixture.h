#pragma once

#include <QTest>
#include <memory>

#include "tests/app/AppFixture.h"

// The real windows on the threaded emulated rig, with real timers and the
// real event loop, the main window shown.
class ThreadedWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    rig->Adapter().SetOpenDelay(20ms);
    windows = std::make_unique<ProgramWindows>(rig->Bundle(), [](std::chrono::milliseconds) {});
    form().show();
  }
  void TearDown() override {
    windows.reset();
    rig.reset();
  }
  TMainForm& form() { return windows->MainForm(); }

  // The scan is over: the button is back, the link closed, the timer stopped.
  bool WaitForIdle(int timeoutMs = 10000) {
    return QTest::qWaitFor(
        [&] {
          return form().ReadDataBtn->text() != "Stop" && !rig->Adapter().IsLinkOpen() &&
                 !form().Timer1.IsActive();
        },
        timeoutMs);
  }

  std::unique_ptr<EmulatedRig> rig = EmulatedRig::Threaded();
  std::unique_ptr<ProgramWindows> windows;
};
