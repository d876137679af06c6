// Which two frames make a stereo pair. The cameras run free, each at its own
// phase (and perhaps its own rate), so the latest frames of two cameras can
// be up to a whole period apart. A pair counts as matched when its frames'
// times differ by at most half the slower camera's period: for every frame
// of the slower camera the other camera has one that close, so the loop can
// always reach such a pair by taking a newer frame of the camera that lags.
//
// Plain C++; times are seconds on the clock all cameras share.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace stereo {

// A camera's frame period, learnt from the times of frames seen one after
// the other. A frame lost in between makes a difference of two periods, a
// late look of several: the period is the smallest recent difference. Until
// one is seen it is the period of the rate the camera was asked for.
class FramePeriod {
 public:
  explicit FramePeriod(double nominalSeconds) : nominal_(nominalSeconds) {}
  // A frame at `later` seen after the frame at `earlier` of the same camera.
  // Differences of zero or less, and of a second or more (a stall), teach
  // nothing and are ignored.
  void observe(double earlier, double later);
  double seconds() const;

 private:
  static constexpr std::size_t kKept = 8;
  double nominal_;
  std::array<double, kKept> recent_{};
  std::size_t count_ = 0;  // differences seen, at most kKept kept
  std::size_t next_ = 0;   // where the next one goes
};

struct PairCheck {
  bool matched = false;
  int lagging = 0;     // when not matched: the camera (0 or 1) whose frame is older
  double skew = 0.0;   // |t0 - t1| in seconds
};

// The frames of camera 0 at t0 and camera 1 at t1, the cameras' periods p0
// and p1 (seconds).
PairCheck checkPair(double t0, double t1, double p0, double p1);

// What a capture records of its pair, the times of camera 0's and camera 1's
// frames: "pair-skew-ms=3.2" (absolute milliseconds, one decimal), or, when a
// camera gave no frame, "pair-skew-ms=none (no frame from camera 1)" (or
// "cameras 0 and 1").
std::string pairSkewText(std::optional<double> t0, std::optional<double> t1);

}  // namespace stereo
