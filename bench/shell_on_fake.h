// The shell on an in-memory window system, the benchmark's thread serving as
// the worker: what benchmarks of window-less framework work set up first.
#pragma once

#include "shell/core/pump.h"
#include "shell/core/shell.h"
#include "tests/shell/fake_window_system.h"

namespace rozoru::bench {

struct ShellOnFake {
  QueuePump pump;
  test::FakeWindowSystem ws;
  ShellOnFake() {
    resetShell();
    setCurrentPump(&pump);
    shell().attach(&ws, &pump);
  }
  ~ShellOnFake() {
    resetShell();
    setCurrentPump(nullptr);
  }
  ShellOnFake(const ShellOnFake&) = delete;
  ShellOnFake& operator=(const ShellOnFake&) = delete;
};

}  // namespace rozoru::bench
