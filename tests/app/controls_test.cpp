// The stereo application's buttons on a recording fake of the cameras.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>
#include <string>
#include <vector>

#include "app/controls.h"

namespace stereo {
namespace {

using Calls = std::vector<std::string>;
using Props = std::map<std::pair<int, int>, std::pair<double, int>>;  // (property, camera) -> (percent, automatic)

// Two cameras with the properties given; records every call in order.
class FakeCameras final : public Cameras {
 public:
  Props props;
  Calls calls;

  double get(int p, int k, int* automatic) override {
    auto it = props.find({p, k});
    if (it == props.end()) return -1.0;
    if (automatic) *automatic = it->second.second;
    return it->second.first;
  }
  void set(double v, int p, int k) override {
    calls.push_back(format("set %d %d %.1f", p, k, v));
    if (props.count({p, k})) props[{p, k}] = {v, 0};
  }
  void setAuto(int p, int k) override {
    calls.push_back(format("auto %d %d", p, k));
    if (props.count({p, k})) props[{p, k}] = {55.0 + k, 1};  // what automatic mode settles on
  }
  void showPropertyPage(int k) override { calls.push_back(format("page %d", k)); }
  void pause(int ms) override { calls.push_back(format("pause %d", ms)); }
};

class Buttons : public ::testing::Test {
 protected:
  void press(const std::vector<int>& ks) {
    for (int k : ks) carryOut(k, s, g, cams, out, request);
  }

  Globals g;
  State s = freshState(g);
  FakeCameras cams;
  std::string printed;
  Print out = [this](const std::string& t) { printed += t; };
  std::atomic<int> request{0};
};

// Buttons that reach the cameras: what they read, write and print.
TEST_F(Buttons, CameraButtons) {
  struct Case {
    const char* what;
    Props props;
    std::vector<int> presses;
    Calls calls;
    std::string printed;
  };
  const Case cases[] = {
      // Key 5 presses buttons 4 and 5, key 0 buttons 9 and 0; the loop carries them out in index order.
      {"focus presets", {}, {4, 5, 0, 9, 10},
       {"set 16 0 60.0", "set 16 1 60.0", "set 16 0 50.0", "set 16 1 50.0", "set 16 0 100.0", "set 16 1 100.0",
        "set 16 0 10.0", "set 16 1 10.0", "set 16 0 0.0", "set 16 1 0.0"},
       "Focus: 60%\nFocus: 50%\nFocus: 100%\nFocus: 10%\nFocus: 0%\n"},
      {"ConfigLR copies every reported property in its mode", {{{0, 0}, {40, 0}}, {{7, 0}, {61, 1}}, {{16, 0}, {20, 0}}, {{0, 1}, {10, 0}}},
       {12, 13}, {"page 0", "set 0 1 40.0", "auto 7 1", "set 16 1 20.0", "page 1"}, ""},
      {"white balance parallel, then sync", {{{7, 0}, {30, 0}}, {{7, 1}, {70, 0}}}, {40, 41},
       {"auto 7 0", "auto 7 1", "pause 1000", "set 7 0 55.0", "set 7 1 56.0", "auto 7 0", "pause 1000", "set 7 0 55.0",
        "set 7 1 55.0"},
       "Set Whitebalance [parallel]\nWhitebalance0: 55.0%\nWhitebalance1: 56.0%\nSet Whitebalance [sync]\nWhitebalance: 55.0%\n"},
      {"values camera 0 cannot read are not handed on", {{{7, 1}, {70, 0}}, {{16, 1}, {70, 0}}}, {41, 23},
       {"auto 7 0", "pause 1000"}, "Set Whitebalance [sync]\nWhitebalance: -1.0%\nFocus: -1.0%\n"},
      {"auto and fixed focus", {{{16, 0}, {42.5, 1}}, {{16, 1}, {10, 0}}}, {22, 23},
       {"auto 16 0", "auto 16 1", "set 16 0 55.0", "set 16 1 55.0"}, "Focus: auto\nFocus: 55.0%\n"},
      // In and Out print only when the mode changes; the spare button does nothing.
      {"modes and wait sync", {}, {33, 34, 34, 33, 42, 42, 43}, {},
       "dezezazar mode out\ndezezazar mode in\nwait sync on\nwait sync off\n"},
  };
  for (const Case& c : cases) {
    cams.calls.clear();
    cams.props = c.props;
    printed.clear();
    press(c.presses);
    EXPECT_EQ(cams.calls, c.calls) << c.what;
    EXPECT_EQ(printed, c.printed) << c.what;
  }
}

TEST_F(Buttons, GammaButtonsToggleAndSwitchStrength) {
  // Button, then the selection and the strength in force.
  const std::tuple<int, int, double> steps[] = {{25, 2, 0.5}, {25, 0, 0.5}, {25, 2, 0.5}, {27, 4, 0.2}, {24, 1, 1.0}};
  for (const auto& [k, selection, strength] : steps) {
    press({k});
    EXPECT_EQ(s.gammaSelection, selection) << k;
    EXPECT_DOUBLE_EQ(s.gammaStrength, strength) << k;
    EXPECT_TRUE(!selection || s.gamma == gammaTable(strength)) << k;
  }
}

TEST_F(Buttons, BlendAndAnaglyphsExcludeEachOther) {
  // Button, then blend and anaglyph after it.
  const int steps[][3] = {{21, 1, 0}, {31, 0, 1}, {30, 0, 2}, {21, 1, 0}, {29, 0, 3}, {29, 0, 0}, {21, 1, 0}, {21, 0, 0}};
  for (const auto& [k, blend, anaglyph] : steps) {
    press({k});
    EXPECT_EQ(s.blend, blend) << k;
    EXPECT_EQ(s.anaglyph, anaglyph) << k;
  }
}

TEST_F(Buttons, ExposureAndGainStepWithinTheirLimitsAndAlwaysPrint) {
  press({36});  // Exp- at 0
  s.exposure = 95;
  press({37, 37});  // the second is at the limit
  EXPECT_EQ(s.exposure, 100);
  EXPECT_EQ(cams.calls, (Calls{"set 14 0 100.0", "set 14 1 100.0"}));
  EXPECT_EQ(printed, "Exposure:  0.0%, Gain:  0.0%\nExposure: 100.0%, Gain:  0.0%\nExposure: 100.0%, Gain:  0.0%\n");
  cams.calls.clear();
  press({39, 39, 38});
  EXPECT_EQ(cams.calls, (Calls{"set 9 0 5.0", "set 9 1 5.0", "set 9 0 10.0", "set 9 1 10.0", "set 9 0 5.0",
                               "set 9 1 5.0"}));
  EXPECT_TRUE(printed.ends_with("Exposure: 100.0%, Gain:  5.0%\n"));
}

TEST(Alignment, PercentTruncatesThenStepsDownToAMultipleOfFive) {
  const std::pair<double, int> cases[] = {{37.5, 35}, {39.99, 35}, {40.0, 40},       {4.9, 0},
                                          {100.0, 100}, {-1.0, 0},  {std::nan(""), 0}, {1e300, 100}};
  for (const auto& [percent, want] : cases) EXPECT_EQ(alignedPercent(percent), want) << percent;
}

TEST_F(Buttons, StartAlignsCameraOneToCameraZero) {
  cams.props = {{{14, 0}, {37.5, 0}}, {{14, 1}, {80.0, 0}}, {{9, 0}, {12.0, 0}}, {{9, 1}, {0.0, 0}}};
  alignExposureAndGain(s, cams, out);
  EXPECT_EQ(s.exposure, 35);
  EXPECT_EQ(s.gain, 10);
  EXPECT_EQ(cams.calls, (Calls{"set 14 1 35.0", "set 9 1 10.0"}));  // camera 0 keeps 37.5
  EXPECT_EQ(printed, "Exposure: 35.0%, Gain: 10.0%\n");
  // Camera 0 cannot report: camera 1 is left alone.
  FakeCameras mute;
  mute.props[{14, 1}] = {80.0, 0};
  State fresh = freshState(g);
  alignExposureAndGain(fresh, mute, out);
  EXPECT_TRUE(mute.calls.empty());
  EXPECT_EQ(fresh.exposure, 0);
}

TEST_F(Buttons, SwapLRIsKeptForTheNextRunAndCaptureAndModeButtonsAct) {
  press({32});
  EXPECT_EQ(s.windowB, 0);
  EXPECT_EQ(g.swapFlag, 0);
  EXPECT_EQ(freshState(g).windowA, 1);
  press({32});
  EXPECT_EQ(g.swapFlag, 1);
  EXPECT_EQ(s.windowA, 0);
  for (int k : {11, 35}) {  // the capture buttons
    request = 0;
    press({k});
    EXPECT_EQ(request.load(), 1) << k;
  }
  press({34, 42});
  EXPECT_EQ(g.eventMode, 0);
  EXPECT_EQ(s.waitSync, 1);
}

}  // namespace
}  // namespace stereo
