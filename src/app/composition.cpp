#include "app/composition.h"

#include <algorithm>
#include <cmath>

namespace stereo {

namespace {
inline std::uint32_t R(Pixel p) { return (p >> 16) & 255u; }
inline std::uint32_t G(Pixel p) { return (p >> 8) & 255u; }
inline std::uint32_t B(Pixel p) { return p & 255u; }
}  // namespace

GammaTable gammaTable(double k) {
  GammaTable t{};
  for (int i = 0; i < 256; ++i) {
    const double s = std::sqrt(i / 255.0);
    const double d = (s * 255.0 - i) * k;
    t[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(i + d);
  }
  return t;
}

void applyGamma(Pixel* p0, Pixel* p1, const GammaTable& t) {
  for (Pixel* p : {p0, p1})
    for (int i = 0; i < kPixels; ++i) {
      const Pixel v = p[i];
      p[i] = static_cast<Pixel>(t[R(v)] * 65536 + t[G(v)] * 256 + t[B(v)]);
    }
}

void blend(Pixel* p0, const Pixel* p1) {
  for (int i = 0; i < kPixels; ++i) {
    const Pixel a = p0[i], b = p1[i];
    p0[i] = ((R(a) + R(b)) / 2) << 16 | ((G(a) + G(b)) / 2) << 8 | (B(a) + B(b)) / 2;
  }
}

void anaglyph(Pixel* p0, Pixel* p1, int mode, int swap) {
  Pixel* red = swap ? p0 : p1;
  Pixel* other = swap ? p1 : p0;
  for (int i = 0; i < kPixels; ++i) {
    const Pixel s = red[i], n = other[i];
    std::uint32_t v = R(s);
    if (mode == 2) {
      v = std::max({R(s), G(s), B(s)});
    } else if (mode == 3) {
      // Evaluated in exactly this order: the truncation depends on it.
      v = static_cast<std::uint32_t>((G(s) * 0.587 + R(s) * 0.299) + B(s) * 0.114);
    }
    red[i] = v << 16;
    other[i] = G(n) << 8 | B(n);
    p0[i] = (R(p0[i]) | R(p1[i])) << 16 | (G(p0[i]) | G(p1[i])) << 8 | ((p0[i] | p1[i]) & 255u);
  }
}

void preview(const Pixel* p0, const Pixel* p1, Pixel* p2) {
  for (int y = 0; y < kHeight; ++y) {
    const Pixel* r0 = p0 + y * kWidth;
    const Pixel* r1 = p1 + y * kWidth;
    Pixel* out = p2 + y * kWidth;
    for (int x = 0; x < kWidth / 2; ++x) {
      out[x] = r0[2 * x];
      out[kWidth / 2 + x] = r1[2 * x];
    }
  }
}

}  // namespace stereo
