// Taking a stereo pair from cameras 0 and 1 of the camera library. Without
// wait sync each camera's latest frame is taken as it is. With wait sync the
// taker waits for a frame newer than the one taken before from each camera,
// then, while the two frames are further apart than half the slower camera's
// period, waits for the next frame of the camera that lags and takes it,
// all within one second: a camera that stops sending does not hold the loop
// (what it has is taken as it is).
//
// The application's thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "app/pair_match.h"

namespace stereo {

struct TakenFrame {
  bool fresh = false;           // copied by this take
  std::optional<double> time;   // its sample time; nullopt when not copied
};

class PairTaker {
 public:
  // `fps`: the rate the cameras were opened with, their period until their
  // frames show their own.
  explicit PairTaker(double fps);

  // Where camera k's frame goes (RYK_FRAME_BYTES), asked right before the
  // copy; null: not now (its window is closed).
  using Target = std::function<std::uint32_t*(int camera)>;
  // Cameras 0 and 1 that run (ryk_count permitting) are taken into their
  // targets. `stopped` is asked while waiting; true ends the wait at once.
  std::array<TakenFrame, 2> take(const Target& target, bool waitSync, const std::function<bool()>& stopped);

  double period(int camera) const { return period_[static_cast<std::size_t>(camera)].seconds(); }

 private:
  std::array<FramePeriod, 2> period_;
};

}  // namespace stereo
