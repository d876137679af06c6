// The stereo application's buttons on a recording fake of the cameras.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "app/controls.h"

namespace stereo {
namespace {

// Two cameras with the properties given; records every call in order.
class FakeCameras final : public Cameras {
 public:
  struct Value {
    double percent;
    int automatic;
  };
  std::map<std::pair<int, int>, Value> props;  // (property, camera)
  std::vector<std::string> calls;
  double afterAuto = 55.0;  // what a property reads after automatic mode has settled

  double get(int p, int k, int* automatic) override {
    auto it = props.find({p, k});
    if (it == props.end()) return -1.0;
    if (automatic) *automatic = it->second.automatic;
    return it->second.percent;
  }
  void set(double v, int p, int k) override {
    calls.push_back(format("set %d %d %.1f", p, k, v));
    auto it = props.find({p, k});
    if (it != props.end()) it->second = {v, 0};
  }
  void setAuto(int p, int k) override {
    calls.push_back(format("auto %d %d", p, k));
    auto it = props.find({p, k});
    if (it != props.end()) it->second = {afterAuto + k, 1};
  }
  void showPropertyPage(int k) override { calls.push_back(format("page %d", k)); }
  void pause(int ms) override { calls.push_back(format("pause %d", ms)); }
};

class Buttons : public ::testing::Test {
 protected:
  void press(int k) { carryOut(k, s, g, cams, out, request); }
  void pressAll(std::initializer_list<int> ks) {
    for (int k : ks) press(k);
  }
  std::string printed() const {
    std::string all;
    for (const auto& l : lines) all += l;
    return all;
  }

  Globals g;
  State s = freshState(g);
  FakeCameras cams;
  std::vector<std::string> lines;
  Print out = [this](const std::string& t) { lines.push_back(t); };
  std::atomic<int> request{0};
};

using Calls = std::vector<std::string>;

TEST_F(Buttons, FocusPresetsSetBothCamerasAndTheLaterButtonOfADigitKeyWins) {
  press(4);  // a click on "(5)5cm"
  EXPECT_EQ(cams.calls, (Calls{"set 16 0 60.0", "set 16 1 60.0"}));
  // Key 5 presses buttons 4 and 5, key 0 buttons 9 and 0; the loop carries them out in index order.
  pressAll({4, 5, 0, 9, 10});
  EXPECT_EQ(cams.calls.back(), "set 16 1 0.0");
  EXPECT_EQ(printed(), "Focus: 60%\nFocus: 60%\nFocus: 50%\nFocus: 100%\nFocus: 10%\nFocus: 0%\n");
}

TEST_F(Buttons, GammaButtonsToggleAndSwitchStrength) {
  press(25);
  EXPECT_EQ(s.gammaSelection, 2);
  EXPECT_EQ(s.gamma, gammaTable(0.5));
  press(25);
  EXPECT_EQ(s.gammaSelection, 0);
  pressAll({25, 27});
  EXPECT_EQ(s.gammaSelection, 4);
  EXPECT_DOUBLE_EQ(s.gammaStrength, 0.2);
  EXPECT_EQ(s.gamma, gammaTable(0.2));
  press(24);
  EXPECT_EQ(s.gammaSelection, 1);
  EXPECT_EQ(s.gamma, gammaTable(1.0));
}

TEST_F(Buttons, BlendAndAnaglyphsExcludeEachOther) {
  // Button, then blend and anaglyph after it.
  const int steps[][3] = {{21, 1, 0}, {31, 0, 1}, {30, 0, 2}, {21, 1, 0}, {29, 0, 3}, {29, 0, 0}, {21, 1, 0}, {21, 0, 0}};
  for (const auto& [k, blend, anaglyph] : steps) {
    press(k);
    EXPECT_EQ(s.blend, blend) << k;
    EXPECT_EQ(s.anaglyph, anaglyph) << k;
  }
}

TEST_F(Buttons, ExposureAndGainStepWithinTheirLimitsAndAlwaysPrint) {
  press(36);  // Exp- at 0
  EXPECT_TRUE(cams.calls.empty());
  EXPECT_EQ(printed(), "Exposure:  0.0%, Gain:  0.0%\n");
  s.exposure = 95;
  lines.clear();
  press(37);
  EXPECT_EQ(s.exposure, 100);
  EXPECT_EQ(cams.calls, (Calls{"set 14 0 100.0", "set 14 1 100.0"}));
  press(37);
  EXPECT_EQ(s.exposure, 100);
  EXPECT_EQ(cams.calls.size(), 2u);
  EXPECT_EQ(printed(), "Exposure: 100.0%, Gain:  0.0%\nExposure: 100.0%, Gain:  0.0%\n");
  cams.calls.clear();
  pressAll({39, 39, 38});
  EXPECT_EQ(s.gain, 5);
  EXPECT_EQ(cams.calls, (Calls{"set 9 0 5.0", "set 9 1 5.0", "set 9 0 10.0", "set 9 1 10.0", "set 9 0 5.0",
                               "set 9 1 5.0"}));
  EXPECT_EQ(lines.back(), "Exposure: 100.0%, Gain:  5.0%\n");
}

TEST(Alignment, PercentTruncatesThenStepsDownToAMultipleOfFive) {
  EXPECT_EQ(alignedPercent(37.5), 35);
  EXPECT_EQ(alignedPercent(39.99), 35);
  EXPECT_EQ(alignedPercent(40.0), 40);
  EXPECT_EQ(alignedPercent(4.9), 0);
  EXPECT_EQ(alignedPercent(100.0), 100);
  EXPECT_EQ(alignedPercent(-1.0), 0);
  EXPECT_EQ(alignedPercent(std::nan("")), 0);
  EXPECT_EQ(alignedPercent(1e300), 100);
}

TEST_F(Buttons, StartAlignsCameraOneToCameraZero) {
  cams.props[{14, 0}] = {37.5, 0};
  cams.props[{14, 1}] = {80.0, 0};
  cams.props[{9, 0}] = {12.0, 0};
  cams.props[{9, 1}] = {0.0, 0};
  alignExposureAndGain(s, cams, out);
  EXPECT_EQ(s.exposure, 35);
  EXPECT_EQ(s.gain, 10);
  EXPECT_EQ(cams.calls, (Calls{"set 14 1 35.0", "set 9 1 10.0"}));  // camera 0 keeps 37.5
  EXPECT_EQ(printed(), "Exposure: 35.0%, Gain: 10.0%\n");
  // Camera 0 cannot report: camera 1 is left alone.
  FakeCameras mute;
  mute.props[{14, 1}] = {80.0, 0};
  State fresh = freshState(g);
  alignExposureAndGain(fresh, mute, out);
  EXPECT_TRUE(mute.calls.empty());
  EXPECT_EQ(fresh.exposure, 0);
}

TEST_F(Buttons, ConfigLRCopiesEveryReportedPropertyInItsMode) {
  cams.props[{0, 0}] = {40.0, 0};
  cams.props[{7, 0}] = {61.0, 1};
  cams.props[{16, 0}] = {20.0, 0};
  cams.props[{0, 1}] = {10.0, 0};
  press(12);
  EXPECT_EQ(cams.calls, (Calls{"page 0", "set 0 1 40.0", "auto 7 1", "set 16 1 20.0"}));
  cams.calls.clear();
  press(13);
  EXPECT_EQ(cams.calls, (Calls{"page 1"}));
}

TEST_F(Buttons, WhiteBalanceParallelAndSync) {
  cams.props[{7, 0}] = {30.0, 0};
  cams.props[{7, 1}] = {70.0, 0};
  press(40);
  EXPECT_EQ(cams.calls, (Calls{"auto 7 0", "auto 7 1", "pause 1000", "set 7 0 55.0", "set 7 1 56.0"}));
  EXPECT_EQ(printed(), "Set Whitebalance [parallel]\nWhitebalance0: 55.0%\nWhitebalance1: 56.0%\n");
  cams.calls.clear();
  lines.clear();
  press(41);
  EXPECT_EQ(cams.calls, (Calls{"auto 7 0", "pause 1000", "set 7 0 55.0", "set 7 1 55.0"}));
  EXPECT_EQ(printed(), "Set Whitebalance [sync]\nWhitebalance: 55.0%\n");
}

TEST_F(Buttons, ValuesCameraZeroCannotReadAreNotHandedOn) {
  cams.props[{7, 1}] = {70.0, 0};
  cams.props[{16, 1}] = {70.0, 0};
  press(41);
  press(23);
  EXPECT_EQ(cams.calls, (Calls{"auto 7 0", "pause 1000"}));
  EXPECT_EQ(printed(), "Set Whitebalance [sync]\nWhitebalance: -1.0%\nFocus: -1.0%\n");
}

TEST_F(Buttons, AutoAndFixedFocus) {
  cams.props[{16, 0}] = {42.5, 1};
  cams.props[{16, 1}] = {10.0, 0};
  press(22);
  press(23);
  EXPECT_EQ(cams.calls, (Calls{"auto 16 0", "auto 16 1", "set 16 0 55.0", "set 16 1 55.0"}));
  EXPECT_EQ(printed(), "Focus: auto\nFocus: 55.0%\n");
}

TEST_F(Buttons, SwapLRExchangesTheWindowsAndTheNextRunKeepsIt) {
  press(32);
  EXPECT_EQ(s.windowB, 0);
  EXPECT_EQ(freshState(g).windowA, 1);
  press(32);
  EXPECT_EQ(g.swapFlag, 1);
  EXPECT_EQ(s.windowA, 0);
}

TEST_F(Buttons, ModesCaptureAndWaitSync) {
  press(33);  // In and Out print only when the mode changes
  press(34);
  press(34);
  EXPECT_EQ(g.eventMode, 0);
  press(33);
  EXPECT_EQ(g.eventMode, 1);
  for (int k : {11, 35}) {
    request = 0;
    press(k);
    EXPECT_EQ(request.load(), 1) << k;
  }
  pressAll({42, 42, 43});  // the spare button does nothing
  EXPECT_EQ(s.waitSync, 0);
  EXPECT_EQ(printed(), "dezezazar mode out\ndezezazar mode in\nwait sync on\nwait sync off\n");
  EXPECT_TRUE(cams.calls.empty());
}

}  // namespace
}  // namespace stereo
