// KAV_DoEvents, KAV_Wait, KAV_WaitMessage and KAV_GetTime: dispatching and
// waiting on the calling thread's pump.
#include <cmath>
#include <cstdint>
#include <thread>

#include "rozoru/kav.h"
#include "shell/core/pump.h"

using rozoru::Clock;
using rozoru::currentPump;
using rozoru::Pump;

namespace {

double nowMs() {
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

// KAV_Wait and KAV_WaitMessage: the latter also ends on a message or the key flag.
int waitFor(int ms, bool onMessage) {
  const double t0 = nowMs();
  auto elapsed = [t0] { return static_cast<int>(std::floor(nowMs() - t0 + 0.5)); };
  if (elapsed() >= ms) return 0;
  const auto deadline = Clock::now() + std::chrono::duration<double, std::milli>(ms - 0.5);
  Pump* p = currentPump();
  for (;;) {
    const int dispatched = p ? p->dispatchPending() : 0;
    if (kav_stop.load() != 0) return 1;
    if (onMessage && (dispatched > 0 || kav_keyflag.load() != 0)) return 2;
    if (elapsed() >= ms) return 0;
    if (p) {
      p->waitActivity(std::chrono::time_point_cast<Clock::duration>(deadline));
    } else {
      std::this_thread::sleep_until(deadline);
    }
  }
}

}  // namespace

int KAV_DoEvents() {
  if (Pump* p = currentPump()) p->dispatchPending();
  return 0;
}

int KAV_GetTime() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
}

int KAV_Wait(int ms) { return waitFor(ms, false); }
int KAV_WaitMessage(int ms) { return waitFor(ms, true); }
