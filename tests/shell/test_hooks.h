// Application hooks for in-process tests: each test installs what KAV_Init,
// KAV_Main and KAV_Exit do. Install them before the worker starts.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>

#include "shell/core/pump.h"

namespace rozoru::test {

struct Hooks {
  std::function<void()> init, main, exit;
};
Hooks& hooks();

// Dispatches the calling thread's messages until pred() holds or the timeout
// passes; returns pred().
bool pumpFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs start, then dispatches until KAV_Init has run (after hooks().init).
bool startAndWaitForInit(const std::function<void()>& start);
// Runs f on the idle worker thread at its next dispatch and waits for it.
bool runOnWorker(const std::function<void()>& f);

// The calling thread's kernel id, and whether that thread sleeps in the
// kernel: a test waits for it so that a wake-up really meets a blocked wait
// instead of something already pending.
pid_t threadId();
bool threadBlocked(pid_t tid);

}  // namespace rozoru::test
