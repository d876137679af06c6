#include "app/pair_taker.h"

#include <algorithm>
#include <chrono>

#include "ryk/ryk.h"

namespace stereo {

namespace {

using Clock = std::chrono::steady_clock;

bool running(int k) { return ryk_ready.load() == 1 && ryk_count.load() > k; }

// A frame of camera k with a time other than `after`, before the deadline,
// looking at `stopped` at least every 50 ms. False on time-out or stop.
bool waitNewer(int k, double after, Clock::time_point deadline, const std::function<bool()>& stopped) {
  while (!stopped() && running(k)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    if (ryk_WaitFrame(k, after, static_cast<int>(std::min<long long>(left, 50))) == 1) return true;
  }
  return false;
}

TakenFrame copy(int k, const PairTaker::Target& target) {
  TakenFrame f;
  std::uint32_t* dst = running(k) ? target(k) : nullptr;
  double t = 0.0;
  if (dst && ryk_CopyFrame(k, dst, RYK_FRAME_BYTES, &t) > 0) {
    f.fresh = true;
    f.time = t;
  }
  return f;
}

}  // namespace

PairTaker::PairTaker(double fps) : period_{FramePeriod(1.0 / fps), FramePeriod(1.0 / fps)} {}

std::array<TakenFrame, 2> PairTaker::take(const Target& target, bool waitSync, const std::function<bool()>& stopped) {
  std::array<TakenFrame, 2> taken;
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  for (int k : {0, 1}) {
    if (!running(k)) continue;
    if (waitSync && ryk_grabber[k]) waitNewer(k, ryk_grabber[k]->lastTaken, deadline, stopped);
    taken[static_cast<std::size_t>(k)] = copy(k, target);
  }
  if (waitSync && taken[0].time && taken[1].time) {
    for (;;) {
      const PairCheck c = checkPair(*taken[0].time, *taken[1].time, period(0), period(1));
      if (c.matched) break;
      const auto lag = static_cast<std::size_t>(c.lagging);
      const double before = *taken[lag].time;
      if (!waitNewer(c.lagging, before, deadline, stopped)) break;
      const TakenFrame next = copy(c.lagging, target);
      if (!next.time) break;
      // The frame that came after the one just taken: one period on, or a
      // few when the look came late.
      period_[lag].observe(before, *next.time);
      taken[lag] = next;
    }
  }
  for (int k : {0, 1})
    if (taken[static_cast<std::size_t>(k)].time && ryk_grabber[k])
      ryk_grabber[k]->lastTaken = *taken[static_cast<std::size_t>(k)].time;
  return taken;
}

}  // namespace stereo
