#include "tests/shell/test_hooks.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "rozoru/kav.h"

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

pid_t threadId() { return ::gettid(); }

bool threadBlocked(pid_t tid) {
  std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  const auto end = stat.rfind(')');  // the name may hold spaces
  return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'S';
}

}  // namespace rozoru::test

void KAV_Init() {
  if (rozoru::test::hooks().init) rozoru::test::hooks().init();
}
void KAV_Main() {
  if (rozoru::test::hooks().main) rozoru::test::hooks().main();
}
void KAV_Exit() {
  if (rozoru::test::hooks().exit) rozoru::test::hooks().exit();
}
