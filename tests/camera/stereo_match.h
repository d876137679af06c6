// Disparity measured in pictures, as a viewer's eyes find it: the sideways
// shift that best lines up the left picture with the right one over chosen
// pixels.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace ryk::test {

struct Picture {
  int w = 0, h = 0;
  std::vector<std::uint8_t> px;  // BGRx, w x 4 bytes a row
  int at(int x, int y, int c) const { return px[static_cast<size_t>((y * w + x) * 4 + c)]; }
};

using Mask = std::vector<bool>;  // w x h

inline Mask window(int w, int h, int x0, int x1, int y0, int y1) {
  Mask m(static_cast<size_t>(w * h), false);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) m[static_cast<size_t>(y * w + x)] = true;
  return m;
}

// Pixels that differ between two pictures of one size.
inline Mask changed(const Picture& a, const Picture& b) {
  Mask m(static_cast<size_t>(a.w * a.h), false);
  for (size_t i = 0; i < m.size(); ++i) m[i] = !std::equal(&a.px[i * 4], &a.px[i * 4 + 3], &b.px[i * 4]);
  return m;
}

// The shift d in [lo, hi] for which left(x + d, y) best matches right(x, y)
// over the masked pixels (mean absolute difference of the three colours).
// A thing at depth z is seen further right by the left eye, so d > 0, and
// larger for nearer things.
inline int disparity(const Picture& left, const Picture& right, const Mask& mask, int lo, int hi) {
  int best = lo - 1;
  double bestCost = std::numeric_limits<double>::max();
  for (int d = lo; d <= hi; ++d) {
    long sum = 0, n = 0;
    for (int y = 0; y < right.h; ++y)
      for (int x = std::max(0, -d); x < std::min(right.w, left.w - d); ++x)
        if (mask[static_cast<size_t>(y * right.w + x)]) {
          for (int c = 0; c < 3; ++c) sum += std::abs(left.at(x + d, y, c) - right.at(x, y, c));
          ++n;
        }
    const double cost = n ? static_cast<double>(sum) / static_cast<double>(n) : bestCost;
    if (cost < bestCost) bestCost = cost, best = d;
  }
  return best;
}

}  // namespace ryk::test
