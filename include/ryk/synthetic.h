// Synthetic cameras: software sources that the camera library lists in
// place of the machine's cameras, for tests, benchmarks and demonstrations.
// They stream through the same pipeline, grabber and buffers as real cameras
// and answer properties through simulated V4L2 controls: exposure and gain
// brighten the picture, white balance tints it, focus blurs it. Cameras 0 and
// 1 of useSyntheticCameras(n) see the scene from two places side by side.
//
// Call these on the thread that opens the library, while it is closed.
#pragma once

#include <string>
#include <vector>

namespace ryk {

struct SyntheticCamera {
  std::string displayName;       // empty: "@device:pnp:synthetic/<index>"
  int shift = 0;                 // horizontal parallax: the scene moved right by this many pixels
  std::string pattern = "smpte"; // the test source's pattern (its nickname)
  int silentOpens = 0;           // open attempts during which it sends nothing (a slow camera)
};

// ryk_Open lists exactly these devices, in this order, instead of the
// system's. Devices whose name lacks "@device:pnp" stand for software
// sources and are passed over.
void useSyntheticCameras(std::vector<SyntheticCamera> cameras);
// n cameras; 0 and 1 form a stereo pair 12 pixels apart.
void useSyntheticCameras(int n);
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
