// Camera properties over the V4L2 control calls, against the simulated node
// (the fake ioctl layer).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "camera/controls.h"
#include "camera/simulated_node.h"

namespace ryk {
namespace {

// Records the order of control writes on the way to the simulated node.
class RecordingNode final : public ControlNode {
 public:
  explicit RecordingNode(std::shared_ptr<SimulatedNode> n) : node(std::move(n)) {}
  int queryControl(v4l2_queryctrl& q) override { return node->queryControl(q); }
  int queryMenu(v4l2_querymenu& m) override { return node->queryMenu(m); }
  int getControl(v4l2_control& c) override { return node->getControl(c); }
  int setControl(v4l2_control& c) override {
    writes.emplace_back(c.id, c.value);
    return node->setControl(c);
  }
  std::shared_ptr<SimulatedNode> node;
  std::vector<std::pair<std::uint32_t, std::int32_t>> writes;
};

class ControlsTest : public ::testing::Test {
 protected:
  std::shared_ptr<SimulatedNode> sim = std::make_shared<SimulatedNode>();
  std::shared_ptr<RecordingNode> rec = std::make_shared<RecordingNode>(sim);
  CameraControls controls{rec};
};

TEST_F(ControlsTest, AvailabilityFollowsWhatTheCameraReports) {
  // The simulated camera is a typical USB camera: no roll or iris; 17 and -1 are no properties.
  EXPECT_EQ(controls.available(14), 1);
  for (int p : {12, 15, 17, -1}) EXPECT_EQ(controls.available(p), 0) << p;
  sim->add({V4L2_CID_IRIS_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Iris", 0, 10, 1, 0, V4L2_CTRL_FLAG_DISABLED, {}, 0});
  EXPECT_EQ(controls.available(15), 0);
}

TEST_F(ControlsTest, SetLeavesAutomaticModeBeforeWritingTheValue) {
  // Exposure starts in aperture priority; 50 % of [3, 2047] is 1025.
  int automatic = -1;
  controls.get(14, &automatic);
  EXPECT_EQ(automatic, 1);
  ASSERT_EQ(controls.set(14, 50.0), 0);
  EXPECT_EQ(rec->writes, (decltype(rec->writes){{V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL}, {V4L2_CID_EXPOSURE_ABSOLUTE, 1025}}));
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
  // Boolean companions: focus, white balance, gain, hue.
  ASSERT_EQ(controls.set(16, 20.0), 0);
  EXPECT_EQ(sim->value(V4L2_CID_FOCUS_AUTO), 0);
  EXPECT_EQ(sim->value(V4L2_CID_FOCUS_ABSOLUTE), 50);
  ASSERT_EQ(controls.setAuto(16), 0);
  EXPECT_EQ(sim->value(V4L2_CID_FOCUS_AUTO), 1);
  ASSERT_EQ(controls.setAuto(9), 0);
  EXPECT_EQ(sim->value(V4L2_CID_AUTOGAIN), 1);
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

TEST_F(ControlsTest, EmptyRangeAndInvertedControl) {
  sim->add({V4L2_CID_SHARPNESS, V4L2_CTRL_TYPE_INTEGER, "Sharpness", 4, 4, 1, 4, 0, {}, 4});
  EXPECT_DOUBLE_EQ(controls.get(4, nullptr), 0.0);
  EXPECT_EQ(controls.set(4, 80.0), 0);
  EXPECT_EQ(sim->value(V4L2_CID_SHARPNESS), 4);
  // Colour enable is the colour killer turned round.
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

}  // namespace
}  // namespace ryk
