#include "shell/core/pump.h"

#include "shell/core/windows.h"

namespace rozoru {

namespace {
thread_local Pump* t_pump = nullptr;
}

int QueuePump::dispatchPending() { return drainQueue(queue_); }

void QueuePump::waitActivity(Clock::time_point deadline) { queue_.waitActivity(deadline); }

Pump* currentPump() { return t_pump; }
void setCurrentPump(Pump* pump) { t_pump = pump; }

void pumpUntil(const std::function<bool()>& done) {
  // A thread without windows has nothing to dispatch, but it still blocks
  // rather than spins: on a queue of its own that only the poll wakes.
  thread_local QueuePump idle;
  Pump* p = currentPump() ? currentPump() : &idle;
  while (!done()) {
    p->dispatchPending();
    if (done()) return;
    p->waitActivity(Clock::now() + std::chrono::milliseconds(100));
  }
}

}  // namespace rozoru
