// What the stereo loop does to a frame pair: the brightening curve, the
// blend, the three red/cyan anaglyphs and the side-by-side preview. Plain
// functions over 320x240 Pixel32 pictures (rows top-down, 76800 pixels);
// reentrant.
#pragma once

#include <array>
#include <cstdint>

namespace stereo {

inline constexpr int kWidth = 320;
inline constexpr int kHeight = 240;
inline constexpr int kPixels = kWidth * kHeight;

using Pixel = std::uint32_t;
using GammaTable = std::array<std::int32_t, 256>;

// The identity blended toward 255 * sqrt(i / 255) by strength k.
GammaTable gammaTable(double k);
// Both pictures through the table; the fourth byte becomes 0.
void applyGamma(Pixel* p0, Pixel* p1, const GammaTable& t);
// p0 becomes the channel-wise mean (rounded down) of p0 and p1.
void blend(Pixel* p0, const Pixel* p1);
// Red from camera 0's picture (p0 when swap is 1, p1 when 0), green and blue
// from the other; mode 1 red, 2 the HSV value, 3 luma. p0 shows the result.
void anaglyph(Pixel* p0, Pixel* p1, int mode, int swap);
// p2: p0's even columns in the left half, p1's in the right half.
void preview(const Pixel* p0, const Pixel* p1, Pixel* p2);

}  // namespace stereo
