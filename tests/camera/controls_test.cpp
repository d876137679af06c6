// Camera properties over the V4L2 control calls, against the simulated node
// (the fake ioctl layer), and the percentages of a control's range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "camera/controls.h"
#include "camera/simulated_node.h"

namespace ryk {
namespace {

class ControlsTest : public ::testing::Test {
 protected:
  std::shared_ptr<SimulatedNode> sim = std::make_shared<SimulatedNode>();
  CameraControls controls{sim};
};

TEST_F(ControlsTest, AvailabilityFollowsWhatTheCameraReports) {
  // The simulated camera is a typical USB camera: no roll or iris; 17 and -1 are no properties.
  EXPECT_EQ(controls.available(14), 1);
  for (int p : {12, 15, 17, -1}) EXPECT_EQ(controls.available(p), 0) << p;
  sim->add({V4L2_CID_IRIS_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Iris", 0, 10, 1, 0, V4L2_CTRL_FLAG_DISABLED, {}, 0});
  EXPECT_EQ(controls.available(15), 0);
}

// The node, like a camera, refuses a value that automatic mode owns (EBUSY).
TEST_F(ControlsTest, SetLeavesAutomaticModeBeforeWritingTheValue) {
  int automatic = -1;
  controls.get(14, &automatic);
  EXPECT_EQ(automatic, 1);  // aperture priority
  ASSERT_EQ(controls.set(14, 50.0), 0);
  EXPECT_EQ(sim->value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
  EXPECT_EQ(sim->value(V4L2_CID_EXPOSURE_ABSOLUTE), 1025);  // 50 % of [3, 2047]
  EXPECT_EQ(sim->setCalls(V4L2_CID_EXPOSURE_ABSOLUTE), 1);  // once, after the switch
  EXPECT_DOUBLE_EQ(controls.get(14, &automatic), 50.0);
  EXPECT_EQ(automatic, 0);
}

TEST_F(ControlsTest, AutomaticModeUsesTheModeTheCameraLists) {
  ASSERT_EQ(controls.set(14, 10.0), 0);
  ASSERT_EQ(controls.setAuto(14), 0);
  EXPECT_EQ(sim->value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);
  // A camera that lists full automatic but no aperture priority gets that.
  sim->add({V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 1, 1, 1, 0, {"Auto Mode", "Manual Mode"}, 1});
  ASSERT_EQ(controls.setAuto(14), 0);
  EXPECT_EQ(sim->value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_AUTO);
  int automatic = 0;
  controls.get(14, &automatic);
  EXPECT_EQ(automatic, 1);
  // Boolean companions: a value switches them off, automatic mode on again.
  for (const auto& [p, on] : {std::pair{16, V4L2_CID_FOCUS_AUTO}, {7, V4L2_CID_AUTO_WHITE_BALANCE}, {9, V4L2_CID_AUTOGAIN}}) {
    ASSERT_EQ(controls.set(p, 20.0), 0) << p;
    EXPECT_EQ(sim->value(on), 0) << p;
    ASSERT_EQ(controls.setAuto(p), 0) << p;
    EXPECT_EQ(sim->value(on), 1) << p;
  }
  // Hue has no automatic switch on this camera; contrast never has one.
  EXPECT_EQ(controls.setAuto(2), 5);
  EXPECT_EQ(controls.setAuto(1), 5);
}

TEST_F(ControlsTest, FailuresGiveTheirCodesWithoutRetrying) {
  // A control owned by automatic mode refusing the value is one failed Set.
  for (int err : {EACCES, EBUSY, EILSEQ, EIO}) {
    sim->failSet(V4L2_CID_GAIN, err);
    const int before = sim->setCalls(V4L2_CID_GAIN);
    EXPECT_EQ(controls.set(9, 40.0), 5) << err;
    EXPECT_EQ(sim->setCalls(V4L2_CID_GAIN), before + 1) << err;
  }
  sim->failSet(V4L2_CID_GAIN, 0);
  // The automatic switch refusing to go manual stops the set before the value.
  sim->failSet(V4L2_CID_AUTO_WHITE_BALANCE, EIO);
  EXPECT_EQ(controls.set(7, 50.0), 5);
  EXPECT_EQ(sim->setCalls(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 0);
  // Range unreadable: 4 from the sets, -1 from the read, flag untouched.
  sim->failQuery(V4L2_CID_ZOOM_ABSOLUTE, EIO);
  EXPECT_EQ(controls.set(13, 50.0), 4);
  EXPECT_EQ(controls.setAuto(13), 4);
  int automatic = 42;
  EXPECT_EQ(controls.get(13, &automatic), -1.0);
  EXPECT_EQ(automatic, 42);
  sim->failGet(V4L2_CID_BRIGHTNESS, EIO);
  EXPECT_EQ(controls.get(0, &automatic), -1.0);
  EXPECT_EQ(automatic, 42);
  // A property without a V4L2 control.
  EXPECT_EQ(controls.set(12, 50.0), 3);
  EXPECT_EQ(controls.get(12, nullptr), -1.0);
}

// An empty range is the percent maths' case below.
TEST_F(ControlsTest, ColourEnableIsTheColourKillerTurnedRound) {
  sim->add({V4L2_CID_COLOR_KILLER, V4L2_CTRL_TYPE_BOOLEAN, "Color Killer", 0, 1, 1, 0, 0, {}, 0});
  EXPECT_DOUBLE_EQ(controls.get(6, nullptr), 100.0);
  ASSERT_EQ(controls.set(6, 0.0), 0);
  EXPECT_EQ(sim->value(V4L2_CID_COLOR_KILLER), 1);
}

TEST_F(ControlsTest, ListShowsEditableControlsAndAutomaticModeOwnsItsValues) {
  int err = -1;
  const std::vector<ControlDesc> list = controls.list(&err);
  EXPECT_EQ(err, 0);
  const auto find = [&](std::uint32_t id) {
    return std::find_if(list.begin(), list.end(), [id](const ControlDesc& d) { return d.id == id; });
  };
  EXPECT_TRUE(find(V4L2_CID_USER_CLASS) == list.end());  // class headings are not controls
  ASSERT_TRUE(find(V4L2_CID_EXPOSURE_AUTO) != list.end());
  // The menu has gaps at 0 and 2.
  EXPECT_EQ(find(V4L2_CID_EXPOSURE_AUTO)->menu,
            (std::vector<std::pair<std::int32_t, std::string>>{{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}));
  EXPECT_EQ(controls.write(V4L2_CID_EXPOSURE_ABSOLUTE, 100), EBUSY);
  // A node that cannot list anything reports why.
  sim->failQuery(V4L2_CID_USER_CLASS, EIO);
  EXPECT_TRUE(controls.list(&err).empty());
  EXPECT_EQ(err, EIO);
}

// Percentages of a control's range and back.
TEST(Percent, ValueForTruncatesTowardZeroThenLimits) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct Case {
    double percent;
    std::int32_t lo, hi, want;
  };
  const Case cases[] = {
      {50.0, -11, -2, -6},  // (-2 - -11) * 0.5 + -11 = -6.5, truncated toward zero
      {100.0, -11, -2, -2}, {0.0, -11, -2, -11}, {-1.0, -11, -2, -11}, {150.0, -11, -2, -2},
      {33.3, 3, 2047, 683},  // 3 + 2044 * 0.333 = 683.652, truncated down
      {99.99, -11, -2, -2}, {0.01, 1, 5, 1},  // truncation never leaves the range near its ends
      {nan, 0, 10, 0}, {1e300, -5, 5, 5}, {-1e300, -5, 5, -5}, {inf, 0, 10, 10},
      {100.0, INT32_MIN, INT32_MAX, INT32_MAX}, {0.0, INT32_MIN, INT32_MAX, INT32_MIN},  // no overflow of the difference
      {50.0, 7, 7, 7},
  };
  for (const Case& c : cases) EXPECT_EQ(valueFor(c.percent, c.lo, c.hi), c.want) << c.percent << " of " << c.lo << ".." << c.hi;
}

TEST(Percent, PercentOfRangeEnds) {
  EXPECT_DOUBLE_EQ(percentOf(-11, -11, -2), 0.0);
  EXPECT_DOUBLE_EQ(percentOf(-2, -11, -2), 100.0);
  EXPECT_DOUBLE_EQ(percentOf(-6, -11, -2), 500.0 / 9.0);
  EXPECT_DOUBLE_EQ(percentOf(INT32_MAX, INT32_MIN, INT32_MAX), 100.0);
  EXPECT_DOUBLE_EQ(percentOf(7, 7, 7), 0.0);  // an empty range answers without dividing by zero
}

}  // namespace
}  // namespace ryk
