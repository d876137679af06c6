// What simulated controls do to a picture.
#include <gtest/gtest.h>

#include <vector>

#include "camera/optics.h"
#include "camera/simulated_node.h"

namespace ryk {
namespace {

// A w x h BGRx picture whose channel c is f(x) in every row.
template <class F>
std::vector<std::uint8_t> picture(int w, int h, int c, F f) {
  std::vector<std::uint8_t> p(static_cast<size_t>(w * h * 4), 100);
  for (size_t i = 0; i < p.size(); i += 4) p[i + static_cast<size_t>(c)] = static_cast<std::uint8_t>(f(i / 4 % w));
  return p;
}

TEST(Optics, ShiftMovesTheSceneAndRepeatsTheEdge) {
  const int w = 8, h = 2;
  const auto p = picture(w, h, 0, [](size_t x) { return x * 10; });
  std::vector<std::uint8_t> scratch;
  auto right = p, left = p, wide = p;
  applyOptics(right.data(), w, h, w * 4, Optics{.shift = 3}, scratch);
  applyOptics(left.data(), w, h, w * 4, Optics{.shift = -3}, scratch);
  const auto at = [w](int x, int y) { return static_cast<size_t>((y * w + x) * 4); };
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(right[at(5, y)], 20);  // column 2 moved to 5
    EXPECT_EQ(right[at(0, y)], 0);
    EXPECT_EQ(left[at(0, y)], 30);
    EXPECT_EQ(left[at(7, y)], 70);  // the last column repeated
  }
  // A shift wider than the picture leaves it alone rather than writing outside.
  applyOptics(wide.data(), w, h, w * 4, Optics{.shift = 100}, scratch);
  EXPECT_EQ(wide, p);
}

TEST(Optics, BrightnessAndTintSaturateAndBlurSoftensAnEdge) {
  std::vector<std::uint8_t> scratch;
  auto p = picture(4, 4, 3, [](size_t) { return 0xFF; });
  applyOptics(p.data(), 4, 4, 16, Optics{.brightness = 2.0, .red = 1.5, .blue = 0.5}, scratch);
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{100, 200, 255, 0xFF}));  // red 300 saturates
  const int w = 16, h = 4;
  auto edge = picture(w, h, 1, [](size_t x) { return x < 8 ? 0 : 200; });
  applyOptics(edge.data(), w, h, w * 4, Optics{.blur = 2}, scratch);
  const auto g = [&](int x) { return edge[static_cast<size_t>((1 * w + x) * 4 + 1)]; };
  EXPECT_EQ(g(0), 0);
  EXPECT_GT(g(w / 2 - 1), 0);
  EXPECT_LT(g(w / 2), 200);
  EXPECT_EQ(g(w - 1), 200);
}

TEST(Optics, SimulatedControlsDriveThePicture) {
  SimulatedNode node(5);
  const auto set = [&](std::uint32_t id, std::int32_t v) {
    v4l2_control c{id, v};
    ASSERT_EQ(node.setControl(c), 0) << id;
  };
  set(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL);
  set(V4L2_CID_EXPOSURE_ABSOLUTE, 500);
  EXPECT_DOUBLE_EQ(node.optics().brightness, 2.0);
  set(V4L2_CID_AUTO_WHITE_BALANCE, 0);
  set(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 2800);
  EXPECT_TRUE(node.optics().blue > 1.0 && node.optics().red < 1.0);  // a warm setting turns the picture blue
  set(V4L2_CID_FOCUS_AUTO, 0);
  set(V4L2_CID_FOCUS_ABSOLUTE, 0);
  EXPECT_GE(node.optics().blur, 3);
}

}  // namespace
}  // namespace ryk
