// What simulated controls do to a picture.
#include <gtest/gtest.h>

#include <vector>

#include "camera/optics.h"
#include "camera/simulated_node.h"

namespace ryk {
namespace {

std::vector<std::uint8_t> picture(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  std::vector<std::uint8_t> p(static_cast<size_t>(w * h * 4));
  for (size_t i = 0; i < p.size(); i += 4) {
    p[i] = b;
    p[i + 1] = g;
    p[i + 2] = r;
    p[i + 3] = 0xFF;
  }
  return p;
}

TEST(Optics, ShiftMovesTheSceneAndRepeatsTheEdge) {
  const int w = 8, h = 2;
  std::vector<std::uint8_t> p(w * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p[static_cast<size_t>((y * w + x) * 4)] = static_cast<std::uint8_t>(x * 10);
  std::vector<std::uint8_t> scratch;
  auto right = p;
  applyOptics(right.data(), w, h, w * 4, Optics{.shift = 3}, scratch);
  auto left = p;
  applyOptics(left.data(), w, h, w * 4, Optics{.shift = -3}, scratch);
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(right[static_cast<size_t>((y * w + 5) * 4)], 20);  // column 2 moved to 5
    EXPECT_EQ(right[static_cast<size_t>((y * w + 0) * 4)], 0);
    EXPECT_EQ(left[static_cast<size_t>((y * w + 0) * 4)], 30);
    EXPECT_EQ(left[static_cast<size_t>((y * w + 7) * 4)], 70);  // the last column repeated
  }
  // A shift wider than the picture leaves it alone rather than writing outside.
  auto wide = p;
  applyOptics(wide.data(), w, h, w * 4, Optics{.shift = 100}, scratch);
  EXPECT_EQ(wide, p);
}

TEST(Optics, BrightnessAndTintSaturate) {
  std::vector<std::uint8_t> scratch;
  auto p = picture(4, 4, 100, 100, 100);
  applyOptics(p.data(), 4, 4, 16, Optics{.brightness = 2.0, .red = 1.5, .blue = 0.5}, scratch);
  EXPECT_EQ(p[0], 100);  // blue: 100 * 2 * 0.5
  EXPECT_EQ(p[1], 200);
  EXPECT_EQ(p[2], 255);  // red 300 saturates
  EXPECT_EQ(p[3], 0xFF);
}

TEST(Optics, BlurSoftensAnEdge) {
  const int w = 16, h = 4;
  auto p = picture(w, h, 0, 0, 0);
  for (int y = 0; y < h; ++y)
    for (int x = w / 2; x < w; ++x) p[static_cast<size_t>((y * w + x) * 4 + 1)] = 200;
  std::vector<std::uint8_t> scratch;
  applyOptics(p.data(), w, h, w * 4, Optics{.blur = 2}, scratch);
  const auto g = [&](int x) { return p[static_cast<size_t>((1 * w + x) * 4 + 1)]; };
  EXPECT_EQ(g(0), 0);
  EXPECT_GT(g(w / 2 - 1), 0);
  EXPECT_LT(g(w / 2), 200);
  EXPECT_EQ(g(w - 1), 200);
}

TEST(Optics, SimulatedControlsDriveThePicture) {
  SimulatedNode node(5);
  EXPECT_EQ(node.optics(), (Optics{1.0, 1.0, 1.0, 0, 5}));  // automatic modes: a neutral, sharp picture
  v4l2_control c{V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL};
  ASSERT_EQ(node.setControl(c), 0);
  c = {V4L2_CID_EXPOSURE_ABSOLUTE, 500};
  ASSERT_EQ(node.setControl(c), 0);
  EXPECT_DOUBLE_EQ(node.optics().brightness, 2.0);
  c = {V4L2_CID_AUTO_WHITE_BALANCE, 0};
  ASSERT_EQ(node.setControl(c), 0);
  c = {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 2800};
  ASSERT_EQ(node.setControl(c), 0);
  EXPECT_GT(node.optics().blue, 1.0);  // a warm setting turns the picture blue
  EXPECT_LT(node.optics().red, 1.0);
  c = {V4L2_CID_FOCUS_AUTO, 0};
  ASSERT_EQ(node.setControl(c), 0);
  c = {V4L2_CID_FOCUS_ABSOLUTE, 0};
  ASSERT_EQ(node.setControl(c), 0);
  EXPECT_GE(node.optics().blur, 3);
}

}  // namespace
}  // namespace ryk
