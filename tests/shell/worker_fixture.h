// A test fixture for the real worker thread with an in-memory window system:
// the test thread is the GUI thread and the main window exists as a handle.
// Text-window state and hooks are cleared around each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "rozoru/kav.h"
#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "shell/core/windows.h"
#include "tests/shell/fake_window_system.h"
#include "tests/shell/test_hooks.h"
#include "textwin/textwin.h"

namespace rozoru::test {

class WorkerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    resetShell();
    hooks() = {};
    textwin::hooks() = {};
    textwin::reset();
    setCurrentPump(&gui_);
    shell().attach(&ws_, &gui_);
    main_ = shell().createMainWindowHandle();
  }

  void TearDown() override {
    if (shell().workerStarted() && !shell().workerFinished()) {
      kav_stop = 1;
      shell().exitSequence();
    }
    textwin::reset();
    textwin::hooks() = {};
    windowTable().remove(main_);
    // Joins a worker that was abandoned and has since ended, while the GUI
    // pump it may still wake is alive.
    resetShell();
    setCurrentPump(nullptr);
  }

  // Starts the worker and waits until KAV_Init has run.
  void startAndWaitForInit() { ASSERT_TRUE(test::startAndWaitForInit([] { shell().startWorker(); })); }
  // Runs f on the worker thread at its next dispatch and waits for it.
  void onWorker(const std::function<void()>& f) { ASSERT_TRUE(runOnWorker(f)); }

  QueuePump gui_;
  FakeWindowSystem ws_;
  Hwnd main_ = 0;
};

}  // namespace rozoru::test
