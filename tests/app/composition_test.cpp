// The stereo pair's picture maths, bit for bit.
#include <gtest/gtest.h>

#include <vector>

#include "app/composition.h"

namespace stereo {
namespace {

Pixel rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r << 16 | g << 8 | b; }

struct Pair {
  std::vector<Pixel> p0 = std::vector<Pixel>(kPixels), p1 = std::vector<Pixel>(kPixels), p2 = std::vector<Pixel>(kPixels);
};

TEST(Gamma, TableRows) {
  const std::vector<std::pair<double, std::vector<int>>> rows = {
      {1.0, {15, 31, 63, 127, 180, 221, 254}}, {0.5, {8, 17, 39, 95, 154, 206, 254}},
      {0.3, {5, 12, 30, 83, 143, 200, 254}},   {0.2, {3, 9, 25, 76, 138, 197, 254}},
      {0.1, {2, 6, 20, 70, 133, 194, 254}},
  };
  const int at[] = {1, 4, 16, 64, 128, 192, 254};
  for (const auto& [k, want] : rows) {
    const GammaTable t = gammaTable(k);
    for (std::size_t j = 0; j < want.size(); ++j) EXPECT_EQ(t[static_cast<std::size_t>(at[j])], want[j]) << k << " at " << at[j];
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[255], 255);
    for (int v : t) EXPECT_LE(v, 255);
  }
}

TEST(Gamma, AppliesToBothPicturesAndClearsTheFourthByte) {
  Pair p;
  p.p0[0] = 0xAB000000u | rgb(1, 4, 16);
  p.p1[kPixels - 1] = rgb(64, 128, 192);
  applyGamma(p.p0.data(), p.p1.data(), gammaTable(1.0));
  EXPECT_EQ(p.p0[0], rgb(15, 31, 63));
  EXPECT_EQ(p.p1[kPixels - 1], rgb(127, 180, 221));
}

TEST(Blend, MeanRoundedDown) {
  Pair p;
  p.p0[5] = 0xFF000000u | rgb(255, 0, 0);
  p.p1[5] = rgb(1, 2, 3);
  blend(p.p0.data(), p.p1.data());
  EXPECT_EQ(p.p0[5], rgb(128, 1, 1));
  EXPECT_EQ(p.p1[5], rgb(1, 2, 3));
}

TEST(Anaglyph, RedFromCameraZeroEitherWayRound) {
  Pair a;
  a.p0[0] = rgb(18, 52, 86);
  a.p1[0] = rgb(171, 205, 239);
  anaglyph(a.p0.data(), a.p1.data(), 1, 1);
  EXPECT_EQ(a.p0[0], rgb(18, 205, 239));
  EXPECT_EQ(a.p1[0], rgb(0, 205, 239));

  Pair b;
  b.p0[0] = 0x7F000000u | rgb(18, 52, 86);
  b.p1[0] = rgb(171, 205, 239);
  anaglyph(b.p0.data(), b.p1.data(), 1, 0);
  EXPECT_EQ(b.p0[0], rgb(171, 52, 86));
  EXPECT_EQ(b.p1[0], rgb(171, 0, 0));
}

TEST(Anaglyph, ValueAndLumaModes) {
  Pair p;
  p.p0[0] = rgb(10, 200, 30);
  anaglyph(p.p0.data(), p.p1.data(), 2, 1);
  EXPECT_EQ((p.p0[0] >> 16) & 255, 200u);

  auto luma = [](Pixel s) {
    Pair q;
    q.p0[0] = s;
    anaglyph(q.p0.data(), q.p1.data(), 3, 1);
    return (q.p0[0] >> 16) & 255;
  };
  EXPECT_EQ(luma(rgb(0, 255, 0)), 149u);
  EXPECT_EQ(luma(rgb(255, 0, 0)), 76u);
  EXPECT_EQ(luma(rgb(0, 0, 255)), 29u);
  EXPECT_EQ(luma(rgb(255, 255, 255)), 255u);
  // 65 greys lose a step to the truncation, among them these.
  std::vector<int> lose;
  for (std::uint32_t g = 0; g < 256; ++g)
    if (luma(rgb(g, g, g)) != g) lose.push_back(static_cast<int>(g));
  EXPECT_EQ(lose.size(), 65u);
  for (int g : {1, 2, 4, 8, 11, 13, 16, 22, 26, 27, 32}) EXPECT_NE(std::find(lose.begin(), lose.end(), g), lose.end()) << g;
  for (std::uint32_t g : {1u, 32u}) EXPECT_EQ(luma(rgb(g, g, g)), g - 1);
}

TEST(Preview, EvenColumnsSideBySideKeepingTheFourthByte) {
  Pair p;
  for (int i = 0; i < kPixels; ++i) {
    p.p0[static_cast<std::size_t>(i)] = 0x01000000u | static_cast<Pixel>(i);
    p.p1[static_cast<std::size_t>(i)] = 0x02000000u | static_cast<Pixel>(i);
  }
  preview(p.p0.data(), p.p1.data(), p.p2.data());
  const int y = 17;
  EXPECT_EQ(p.p2[y * 320 + 159], p.p0[y * 320 + 318]);
  EXPECT_EQ(p.p2[y * 320 + 160], p.p1[y * 320 + 0]);
  EXPECT_EQ(p.p2[y * 320 + 319], p.p1[y * 320 + 318]);
  EXPECT_EQ(p.p2[239 * 320 + 0] >> 24, 1u);
}

}  // namespace
}  // namespace stereo
