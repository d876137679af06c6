// Colour conversions, exact to the last unit.
#include <gtest/gtest.h>

#include <array>

#include "rozoru/colour.h"

namespace {

Pixel32 rgb(int r, int g, int b) { return static_cast<Pixel32>(r << 16 | g << 8 | b); }

// The three outputs of a conversion as one value.
std::array<int, 3> three(void (*f)(Pixel32, int*, int*, int*), Pixel32 p) {
  std::array<int, 3> out{};
  f(p, &out[0], &out[1], &out[2]);
  return out;
}
std::array<int, 3> hsv(Pixel32 p) { return three(KAV_RgbToHsv, p); }

TEST(Hsv, HueRowsSaturationAsChromaAndValue) {
  EXPECT_EQ(hsv(rgb(200, 100, 50)), (std::array<int, 3>{20, 150, 200}));
  EXPECT_EQ(hsv(rgb(0, 0, 1)), (std::array<int, 3>{240, 1, 1}));
  for (int g : {0, 1, 128, 255}) EXPECT_EQ(hsv(rgb(g, g, g)), (std::array<int, 3>{0, 0, g}));
  // Hue stays below 360 everywhere; the fourth byte changes nothing.
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) {
        const Pixel32 p = rgb(r, g, b);
        const int h = KAV_RgbToH(p);
        ASSERT_TRUE(h >= 0 && h < 360) << r << "," << g << "," << b;
        ASSERT_EQ(hsv(p | 0xAB000000u), hsv(p));
      }
  EXPECT_EQ(KAV_RgbToS(rgb(10, 200, 30)), 190);
  EXPECT_EQ(KAV_RgbToV(rgb(10, 200, 30)), 200);
}

TEST(Hsv, RoundTripsForPrimariesSecondariesAndMore) {
  for (Pixel32 p : {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 255, 255),
                    rgb(255, 0, 255), rgb(0, 0, 0), rgb(255, 255, 255), rgb(200, 100, 50)}) {
    const auto [h, s, v] = hsv(p);
    EXPECT_EQ(KAV_HsvToRgb(v, s, h), p) << std::hex << p;
  }
  // A negative hue falls into the first sector: G = 255 * -1 / 60 = -4,
  // packed without clamping.
  EXPECT_EQ(KAV_HsvToRgb(255, 255, -1), 0xFF0000u - 4u * 256u);
}

TEST(ForwardTransforms, PrimariesAndTheTruncationTowardZero) {
  struct Row {
    Pixel32 p;
    std::array<int, 3> ycrcb, yuv, yiq;
  };
  const Row rows[] = {
      {rgb(255, 0, 0), {76, 128, -42}, {76, -36, 157}, {76, 152, 53}},
      {rgb(0, 255, 0), {150, -106, -83}, {150, -73, -130}, {150, -69, -126}},
      {rgb(0, 0, 255), {29, -20, 128}, {29, 111, -25}, {29, -81, 74}},
      {rgb(0, 0, 1), {0, 0, 1}, {0, 0, 0}, {0, 0, 0}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(three(KAV_RgbToYCrCb, r.p), r.ycrcb) << std::hex << r.p;
    EXPECT_EQ(three(KAV_RgbToYuv, r.p), r.yuv) << std::hex << r.p;
    EXPECT_EQ(three(KAV_RgbToYiq, r.p), r.yiq) << std::hex << r.p;
  }
  for (int g = 0; g < 256; ++g) ASSERT_EQ(KAV_RgbToY(rgb(g, g, g)), g);
}

TEST(InverseTransforms, GreyClampingAndTheWayBack) {
  for (auto f : {KAV_YCrCbToRgb, KAV_YuvToRgb, KAV_YiqToRgb}) EXPECT_EQ(f(128, 0, 0), rgb(128, 128, 128));
  // Strong chroma runs out of range and is clamped, never wrapped.
  // G = (65536*255 - 46793*128 - 22544*128 + 32768) / 65536 = 120
  EXPECT_EQ(KAV_YCrCbToRgb(255, 128, 128), rgb(255, 120, 255));
  // G = (46793*127 + 22544*127 + 32768) / 65536 = 134
  EXPECT_EQ(KAV_YCrCbToRgb(0, -127, -127), rgb(0, 134, 0));
  // Forward then back stays within a step for the primaries.
  const auto [y, cr, cb] = three(KAV_RgbToYCrCb, rgb(255, 0, 0));
  const Pixel32 back = KAV_YCrCbToRgb(y, cr, cb);
  EXPECT_GE((back >> 16) & 255, 254u);
  EXPECT_LE((back >> 8) & 255, 1u);
}

}  // namespace
