#include "app/controls.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace stereo {

const std::array<const char*, kActiveButtons> kCaptions = {
    "(1)2cm",    "(2)90%",    "(3)80%",    "(4)70%",    "(5)5cm",     "(6)50%",      "(7)40%",     "(8)30cm",
    "(9)20%",    "(0)10%",    "(-)0%",     "Capture",   "ConfigLR",   "ConfigL",     "Sleep 10",   "Sleep 33",
    "Sleep 66",  "Sleep 100", "Sleep 333", "Sleep 666", "Sleep 1000", "Velmor",      "(Z)Auto_F",  "(X)Fix_F",
    "GAMMA 1.0", "GAMMA 0.5", "GAMMA 0.3", "GAMMA 0.2", "GAMMA 0.1",  "anaglyph3",   "anaglyph2",  "anaglyph1",
    "swapLR",    "IN",        "OUT",       "Capture",   "(S)Exp-",    "(W)Exp+",     "(Q)Gain-",   "(A)Gain+",
    "(E)WB parallel", "(D)WB sync", "wait sync",
};

namespace {

constexpr std::array<int, 7> kSleeps = {10, 33, 66, 100, 333, 666, 1000};
constexpr std::array<double, 5> kGammaStrengths = {1.0, 0.5, 0.3, 0.2, 0.1};

void printExposure(const State& s, const Print& print) {
  print(format("Exposure: %4.1f%%, Gain: %4.1f%%\n", s.exposure, s.gain));
}

// Exp-/Exp+/Gain-/Gain+: one step of 5 within 0-100 on both cameras.
void step(double& value, int property, int direction, Cameras& cams) {
  const double next = std::clamp(value + 5.0 * direction, 0.0, 100.0);
  if (direction < 0 ? value > 0.0 : value < 100.0) {
    value = next;
    cams.set(value, property, 0);
    cams.set(value, property, 1);
  }
}

// A value read as -1.0 (camera 0 cannot report it) is not handed on: the
// other camera would take it as 0 %.
void setIfRead(Cameras& cams, double percent, int property, int camera) {
  if (percent >= 0.0) cams.set(percent, property, camera);
}

void whiteBalanceParallel(Cameras& cams, const Print& print) {
  print("Set Whitebalance [parallel]\n");
  cams.setAuto(kWhiteBalance, 0);
  cams.setAuto(kWhiteBalance, 1);
  cams.pause(1000);
  const double w0 = cams.get(kWhiteBalance, 0);
  setIfRead(cams, w0, kWhiteBalance, 0);
  print(format("Whitebalance0: %4.1f%%\n", w0));
  const double w1 = cams.get(kWhiteBalance, 1);
  setIfRead(cams, w1, kWhiteBalance, 1);
  print(format("Whitebalance1: %4.1f%%\n", w1));
}

void whiteBalanceSync(Cameras& cams, const Print& print) {
  print("Set Whitebalance [sync]\n");
  cams.setAuto(kWhiteBalance, 0);
  cams.pause(1000);
  const double w = cams.get(kWhiteBalance, 0);
  setIfRead(cams, w, kWhiteBalance, 0);
  setIfRead(cams, w, kWhiteBalance, 1);
  print(format("Whitebalance: %4.1f%%\n", w));
}

// Camera 1 takes over every property camera 0 reports, in its mode.
void configLR(Cameras& cams) {
  cams.showPropertyPage(0);
  for (int p = 0; p < kProperties; ++p) {
    int automatic = 0;
    const double v = cams.get(p, 0, &automatic);
    if (v < 0.0) continue;  // camera 0 does not report it
    if (automatic)
      cams.setAuto(p, 1);
    else
      cams.set(v, p, 1);
  }
}

}  // namespace

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  std::string out;
  if (n > 0) {
    std::vector<char> buf(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, again);
    out.assign(buf.data(), static_cast<std::size_t>(n));
  }
  va_end(again);
  return out;
}

State freshState(const Globals& g) {
  State s;
  s.windowA = g.swapFlag ? 0 : 1;
  s.windowB = g.swapFlag ? 1 : 0;
  return s;
}

int alignedPercent(double percent) {
  if (!std::isfinite(percent) || percent < 0.0) return 0;
  const int t = static_cast<int>(std::min(percent, 100.0));
  return 5 * (t / 5);
}

void alignExposureAndGain(State& s, Cameras& cams, const Print& print) {
  // A camera 0 that cannot report the value leaves camera 1 as it is:
  // forcing it to 0 % would darken one eye only.
  const double p = cams.get(kExposure, 0);
  s.exposure = alignedPercent(p);
  if (p >= 0.0) cams.set(s.exposure, kExposure, 1);
  const double q = cams.get(kGain, 0);
  s.gain = alignedPercent(q);
  if (q >= 0.0) cams.set(s.gain, kGain, 1);
  printExposure(s, print);
}

void carryOut(int k, State& s, Globals& g, Cameras& cams, const Print& print, std::atomic<int>& captureRequest) {
  if (k >= 0 && k <= 10) {
    const int f = (10 - k) * 10;
    cams.set(f, kFocus, 0);
    cams.set(f, kFocus, 1);
    print(format("Focus: %d%%\n", f));
  } else if (k == 11 || k == 35) {
    captureRequest = 1;
  } else if (k == 12) {
    configLR(cams);
  } else if (k == 13) {
    cams.showPropertyPage(1);
  } else if (k >= 14 && k <= 20) {
    s.sleepMs = kSleeps[static_cast<std::size_t>(k - 14)];
  } else if (k == 21) {
    s.blend = 1 - s.blend;
    s.anaglyph = 0;
  } else if (k == 22) {
    cams.setAuto(kFocus, 0);
    cams.setAuto(kFocus, 1);
    print("Focus: auto\n");
  } else if (k == 23) {
    const double f = cams.get(kFocus, 0);
    setIfRead(cams, f, kFocus, 0);
    setIfRead(cams, f, kFocus, 1);
    print(format("Focus: %4.1f%%\n", f));
  } else if (k >= 24 && k <= 28) {
    const int sel = k - 23;
    if (s.gammaSelection == sel) {
      s.gammaSelection = 0;
    } else {
      s.gammaSelection = sel;
      s.gammaStrength = kGammaStrengths[static_cast<std::size_t>(sel - 1)];
      s.gamma = gammaTable(s.gammaStrength);
    }
  } else if (k >= 29 && k <= 31) {
    const int n = 32 - k;  // 29 -> 3, 30 -> 2, 31 -> 1
    s.anaglyph = s.anaglyph == n ? 0 : n;
    s.blend = 0;
  } else if (k == 32) {
    std::swap(s.windowA, s.windowB);
    g.swapFlag = 1 - g.swapFlag;
  } else if (k == 33) {
    if (g.eventMode == 0) {
      g.eventMode = 1;
      print("dezezazar mode in\n");
    }
  } else if (k == 34) {
    if (g.eventMode == 1) {
      g.eventMode = 0;
      print("dezezazar mode out\n");
    }
  } else if (k >= 36 && k <= 39) {
    const bool exposure = k <= 37;
    step(exposure ? s.exposure : s.gain, exposure ? kExposure : kGain, k % 2 == 0 ? -1 : 1, cams);
    printExposure(s, print);
  } else if (k == 40) {
    whiteBalanceParallel(cams, print);
  } else if (k == 41) {
    whiteBalanceSync(cams, print);
  } else if (k == 42) {
    s.waitSync = 1 - s.waitSync;
    print(s.waitSync ? "wait sync on\n" : "wait sync off\n");
  }
}

}  // namespace stereo
