// The stereo application's state and what its 43 buttons do, as plain C++:
// the cameras and the text output are reached through small interfaces so
// that every action can be tried without cameras or windows.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <string>

#include "app/composition.h"

namespace stereo {

// Property numbers the application uses.
inline constexpr int kWhiteBalance = 7;
inline constexpr int kGain = 9;
inline constexpr int kExposure = 14;
inline constexpr int kFocus = 16;
inline constexpr int kProperties = 17;

inline constexpr int kActiveButtons = 43;  // buttons 0-42 act; 43 is spare
inline constexpr int kBoxColumns = 11;
inline constexpr int kBoxRows = 4;
inline constexpr int kDefaultSleepMs = 666;

// Captions of buttons 0-42.
extern const std::array<const char*, kActiveButtons> kCaptions;

// Kept for the whole program: across Stop and Start.
struct Globals {
  int swapFlag = 1;   // 1: camera 0 feeds window 0 ("Right"); 0: it feeds window 1
  int eventMode = 1;  // 1: captures go to dated folders; 0: one time-stamped file
};

// One run of the loop; made afresh each time it starts.
struct State {
  int sleepMs = kDefaultSleepMs;
  int windowA = 0;  // window camera 0 feeds
  int windowB = 1;  // window camera 1 feeds
  int blend = 0;
  int anaglyph = 0;  // 0 off, else the variant 1-3
  int gammaSelection = 0;  // 0 off, else the GAMMA button 1-5 in force
  double gammaStrength = 1.0;
  GammaTable gamma{};  // the table for gammaStrength, valid while gammaSelection != 0
  int waitSync = 0;
  double exposure = 0.0;  // common percentage of both cameras, steps of 5
  double gain = 0.0;
  long long passes = 0;  // passes of the loop begun so far
};

State freshState(const Globals& g);

// The camera operations the application uses. Each does nothing for a
// camera that is not running, not present or without the property; a read
// then gives -1.0.
class Cameras {
 public:
  virtual ~Cameras() = default;
  virtual double get(int property, int camera, int* automatic = nullptr) = 0;
  virtual void set(double percent, int property, int camera) = 0;
  virtual void setAuto(int property, int camera) = 0;
  virtual void showPropertyPage(int camera) = 0;
  // Waits without dispatching messages (the cameras settle meanwhile).
  virtual void pause(int ms) = 0;
};

using Print = std::function<void(const std::string&)>;
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A percentage truncated toward zero and then down to a multiple of 5, as
// the Exp and Gain buttons step; an unreadable value (-1.0) gives 0.
int alignedPercent(double percent);

// The start of a run: E and G from camera 0, camera 1 brought to them, and
// the "Exposure: ..." line.
void alignExposureAndGain(State& s, Cameras& cams, const Print& print);

// Carries out button k's action once. captureRequest is set for the Capture
// buttons.
void carryOut(int k, State& s, Globals& g, Cameras& cams, const Print& print, std::atomic<int>& captureRequest);

}  // namespace stereo
