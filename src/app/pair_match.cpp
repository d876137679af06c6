#include "app/pair_match.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace stereo {

void FramePeriod::observe(double earlier, double later) {
  const double d = later - earlier;
  if (!(d > 0.0) || d >= 1.0) return;
  recent_[next_] = d;
  next_ = (next_ + 1) % kKept;
  count_ = std::min(count_ + 1, kKept);
}

double FramePeriod::seconds() const {
  if (count_ == 0) return nominal_;
  return *std::min_element(recent_.begin(), recent_.begin() + static_cast<std::ptrdiff_t>(count_));
}

PairCheck checkPair(double t0, double t1, double p0, double p1) {
  PairCheck c;
  c.skew = std::abs(t0 - t1);
  c.matched = c.skew <= std::max(p0, p1) / 2.0;
  c.lagging = t0 < t1 ? 0 : 1;
  return c;
}

std::string pairSkewText(std::optional<double> t0, std::optional<double> t1) {
  if (!t0 && !t1) return "pair-skew-ms=none (no frames from cameras 0 and 1)";
  if (!t0 || !t1) return std::string("pair-skew-ms=none (no frame from camera ") + (t0 ? "1" : "0") + ")";
  char text[64];
  std::snprintf(text, sizeof text, "pair-skew-ms=%.1f", std::abs(*t0 - *t1) * 1000.0);
  return text;
}

}  // namespace stereo
