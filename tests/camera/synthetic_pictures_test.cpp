// What the synthetic cameras show: the stereo scene of the scene cameras
// (depth that shows as disparity, motion, repeatability, and writes that stay
// inside the picture), and what simulated controls do to a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <thread>
#include <tuple>
#include <vector>

#include "camera/optics.h"
#include "camera/scene.h"
#include "camera/simulated_node.h"
#include "tests/camera/stereo_match.h"

namespace ryk {
namespace {

using test::Picture;

constexpr double kRight = 0.065, kLeft = -0.065;  // the demo pair's eyes
constexpr int kW = 320, kH = 240;

Picture render(double t, double eye, int w = kW, int h = kH) {
  Picture p{w, h, std::vector<std::uint8_t>(static_cast<size_t>(w * h * 4), 0x5A)};
  renderStereoScene(p.px.data(), w, h, w * 4, t, eye);
  return p;
}

// The wall between the pillars, above anywhere the beach ball floats.
test::Mask wallWindow() { return test::window(kW, kH, 100, 215, 50, 70); }

// What moves: the beach ball and its shadow, found in the right eye's picture
// as the pixels that change within one frame.
test::Mask moving(double t) { return test::changed(render(t, kRight), render(t + 1.0 / 30.0, kRight)); }

TEST(StereoScene, NearThingsAreFurtherApartBetweenTheEyesThanTheWall) {
  const int wall = test::disparity(render(0.0, kLeft), render(0.0, kRight), wallWindow(), -10, 40);
  EXPECT_TRUE(wall >= 2 && wall <= 4) << wall;
  int nearest = 0, farthest = std::numeric_limits<int>::max();
  for (double t = 0.0; t < 20.0; t += 2.5) {
    const auto m = moving(t);
    ASSERT_GT(std::count(m.begin(), m.end(), true), 200) << t;  // the ball is in view and moving
    const int ball = test::disparity(render(t, kLeft), render(t, kRight), m, -10, 40);
    EXPECT_TRUE(ball >= 14 && ball <= 26) << ball << " at " << t;  // well in front of the wall
    nearest = std::max(nearest, ball);
    farthest = std::min(farthest, ball);
  }
  // It moves in depth as well as sideways.
  EXPECT_GE(nearest - farthest, 4);
}

TEST(StereoScene, SameTimeAndEyeGiveTheSamePicture) {
  const Picture a = render(4.25, kRight);
  // Other eyes and sizes in between, and a thread of its own that starts
  // from nothing: still the same picture.
  for (double eye : {kLeft, 0.0}) (void)render(4.25, eye);
  (void)render(4.25, kRight, 64, 48);
  EXPECT_EQ(render(4.25, kRight).px, a.px);
  Picture fresh;
  std::thread([&] { fresh = render(4.25, kRight); }).join();
  EXPECT_EQ(fresh.px, a.px);
  // A long-running stream's time still gives a picture, not a frozen one.
  EXPECT_NE(render(86400.0, kRight).px, render(86400.1, kRight).px);
  // What moves is the ball: the wall does not change with time.
  const auto still = test::changed(a, render(7.0, kRight)), wall = wallWindow();
  for (size_t i = 0; i < wall.size(); ++i) ASSERT_FALSE(wall[i] && still[i]) << i;
}

// Every byte of the picture is written (the same result over any old
// contents), the 4th byte is 0, and nothing outside width x 4 bytes of each
// row is touched, even for odd strides, tiny or lopsided pictures and
// unusual times and eyes.
TEST(StereoScene, WritesExactlyThePicture) {
  struct Case {
    int w, h, pad;
    double t, eye;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {{320, 240, 12, 1.0, kRight}, {320, 240, 3, 9.5, kLeft}, {1, 1, 1, 0.0, 0.0},
                        {7, 3, 5, 2.0, kLeft},       {3, 200, 2, 5.0, kRight},  {400, 20, 4, 3.0, 0.0},
                        {64, 48, 0, nan, inf},       {64, 48, 8, -50.0, 1e9},   {64, 48, 8, 1e12, -2.5},
                        {640, 480, 4, 13.0, kRight}};
  constexpr std::uint8_t kGuard = 0xA5;
  constexpr size_t kMargin = 64;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " pad " << c.pad << " t " << c.t << " eye " << c.eye);
    const int stride = c.w * 4 + c.pad;
    const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(c.h);
    std::vector<std::vector<std::uint8_t>> results;
    for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
      std::vector<std::uint8_t> buf(kMargin + bytes + kMargin, kGuard), picture;
      const auto row = [&](int y) { return buf.begin() + static_cast<std::ptrdiff_t>(kMargin) + y * stride; };
      for (int y = 0; y < c.h; ++y) std::fill_n(row(y), c.w * 4, fill);
      renderStereoScene(buf.data() + kMargin, c.w, c.h, stride, c.t, c.eye);
      // Each row taken out and its place guarded again: then only guard bytes remain.
      for (int y = 0; y < c.h; ++y) {
        picture.insert(picture.end(), row(y), row(y) + c.w * 4);
        std::fill_n(row(y), c.w * 4, kGuard);
      }
      ASSERT_EQ(std::count(buf.begin(), buf.end(), kGuard), static_cast<std::ptrdiff_t>(buf.size())) << "written outside";
      for (size_t i = 3; i < picture.size(); i += 4) ASSERT_EQ(picture[i], 0) << i;
      results.push_back(std::move(picture));
    }
    EXPECT_EQ(results[0], results[1]);
  }
}

TEST(StereoScene, NoPictureMeansNoWrites) {
  std::vector<std::uint8_t> buf(64, 0xA5);
  const std::vector<std::uint8_t> before = buf;
  renderStereoScene(nullptr, 4, 4, 16, 0.0, 0.0);
  // Empty or negative sizes; a stride of 15 would make rows overlap; bottom-up strides are not drawn.
  for (const auto& [w, h, stride] : {std::tuple{0, 4, 16}, {4, 0, 16}, {-4, 4, 16}, {4, 4, 15}, {4, 4, -16}})
    renderStereoScene(buf.data(), w, h, stride, 0.0, 0.0);
  EXPECT_EQ(buf, before);
}

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
  const int y = h - 1;  // the last row: each row moves by itself
  EXPECT_EQ(right[at(5, y)], 20);  // column 2 moved to 5
  EXPECT_EQ(right[at(0, y)], 0);
  EXPECT_EQ(left[at(0, y)], 30);
  EXPECT_EQ(left[at(7, y)], 70);  // the last column repeated
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
