#include "tests/shell/test_hooks.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>

#include "rozoru/kav.h"
#include "shell/core/shell.h"

namespace rozoru::test {

Hooks& hooks() {
  static Hooks h;
  return h;
}

bool pumpFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  // Without a pump nothing wakes this thread; an idle queue bounds each look.
  static thread_local QueuePump idle;
  Pump* p = currentPump() ? currentPump() : &idle;
  while (!pred()) {
    if (Clock::now() >= deadline) return pred();
    p->dispatchPending();
    if (pred()) return true;
    p->waitActivity(std::min(deadline, Clock::now() + std::chrono::milliseconds(5)));
  }
  return true;
}

bool startAndWaitForInit(const std::function<void()>& start) {
  std::atomic<bool> initDone{false};
  auto userInit = hooks().init;
  hooks().init = [&initDone, userInit] {
    if (userInit) userInit();
    initDone = true;
  };
  start();
  return pumpFor([&] { return initDone.load(); });
}

bool runOnWorker(const std::function<void()>& f) {
  std::atomic<bool> done{false};
  shell().workerPump().queue().postCall([&] { f(), done = true; });
  return pumpFor([&] { return done.load(); });
}

pid_t threadId() { return ::gettid(); }

bool threadBlocked(pid_t tid) {
  std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  const auto end = stat.rfind(')');  // the name may hold spaces
  return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'S';
}

}  // namespace rozoru::test

void KAV_Init() {
  if (const auto& f = rozoru::test::hooks().init) f();
}
void KAV_Main() {
  if (const auto& f = rozoru::test::hooks().main) f();
}
void KAV_Exit() {
  if (const auto& f = rozoru::test::hooks().exit) f();
}
