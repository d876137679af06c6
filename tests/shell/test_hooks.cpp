#include "tests/shell/test_hooks.h"

#include <algorithm>

#include "rozoru/kav.h"

namespace rozoru::test {

Hooks& hooks() {
  static Hooks h;
  return h;
}

bool pumpFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  Pump* p = currentPump();
  while (!pred()) {
    if (Clock::now() >= deadline) return pred();
    if (p) {
      p->dispatchPending();
      if (pred()) return true;
      p->waitActivity(std::min(deadline, Clock::now() + std::chrono::milliseconds(5)));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return true;
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
