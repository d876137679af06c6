// Synthetic cameras: software sources that the camera library lists in
// place of the machine's cameras, for tests, benchmarks and demonstrations.
// They stream through the same pipeline, grabber and buffers as real cameras
// and answer properties through simulated V4L2 controls: exposure and gain
// brighten the picture, white balance tints it, focus blurs it. Cameras 0 and
// 1 of useSyntheticCameras(n) see the scene from two places side by side.
// Cameras with the pattern "scene" show a moving 3D scene instead, in which
// near things are further apart between two eyes than far ones
// (useStereoDemoCameras).
//
// Call these on the thread that opens the library, while it is closed.
#pragma once

#include <string>
#include <vector>

namespace ryk {

// The pattern of cameras that show the 3D scene: a stone wall 12 m away, a
// tiled floor, pillars, a crate and a ball between 4 and 9 m, and a spinning
// beach ball floating 1.55-2.35 m away that wanders sideways and in depth.
// Its time is the frame's stream time, so cameras opened together show the
// same moment.
inline constexpr const char* kScenePattern = "scene";

struct SyntheticCamera {
  std::string displayName;       // empty: "@device:pnp:synthetic/<index>"
  // Other patterns: horizontal parallax, the picture moved right by this many
  // pixels. kScenePattern: the eye position in millimetres to the right; the
  // picture is not moved. Scene cameras stay parallel and see 60 degrees
  // across, so at 320 pixels wide a thing z metres away appears
  // (eyeA - eyeB) x 0.277 / z pixels further left from eye A than from eye B
  // (eyes in millimetres).
  int shift = 0;
  std::string pattern = "smpte"; // the test source's pattern (its nickname), or kScenePattern
  int silentOpens = 0;           // open attempts during which it sends nothing (a slow camera)
  std::string port{};            // its USB port ("usb-0000:00:14.0-2"); empty: "usb-synthetic-<index+1>"
  // Cameras out of phase, as free-running ones are: when any camera has a
  // phase above 0, every camera's frames are sent and timed at whole frame
  // periods of the pipeline's running time plus its phase (milliseconds), so
  // the frames of a camera with phase 20 come exactly 20 ms after those of
  // a camera with 0, whenever each started.
  double phaseMs = 0.0;
};

// ryk_Open lists exactly these devices instead of the system's, ordered by
// port as cameras are. Devices whose name lacks "@device:pnp" stand for
// software sources: they have no port and are passed over.
void useSyntheticCameras(std::vector<SyntheticCamera> cameras);
// n cameras; 0 and 1 form a stereo pair 12 pixels apart.
void useSyntheticCameras(int n);
// Two scene cameras 130 mm apart: camera 0 the right eye (+65 mm), camera 1
// the left eye (-65 mm). The beach ball is 15-23 pixels apart between the two
// pictures, the wall about 3.
void useStereoDemoCameras();
// Back to the system's cameras.
void useRealCameras();

// Pulls synthetic camera k (camera number of the open library) out: it stops
// delivering; with reportError its source also reports a read error, as an
// unplugged USB camera does. False when camera k is not synthetic or not open.
bool unplugSyntheticCamera(int k, bool reportError);

}  // namespace ryk

// C-style entry for programs that only want n synthetic cameras: 0, or 1
// when the library is open (nothing changed).
int ryk_UseSyntheticCameras(int n);
// The same for the two cameras of useStereoDemoCameras.
int ryk_UseStereoDemoCameras();
