// The camera library: finds the cameras, streams each one as 320x240 BGRx
// pictures (rows top-down) into a buffer per camera, and reads and sets camera
// properties as percentages of their ranges.
//
// Threads (see docs/CAMERA.md):
//   - ryk_Open, the property operations and ryk_ShowPropertyPage: the thread
//     that opened the library (the worker thread).
//   - ryk_Close: that thread, or the GUI thread once the worker was abandoned;
//     it never waits longer than a few seconds for the other thread.
//   - ryk_CopyFrame, ryk_WaitFrame, ryk_CameraState, ryk_frameBytes,
//     ryk_frameTime: any thread.
//   - The streaming threads only store frames (ryk_SampleGrabberCB::BufferCB).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

constexpr int RYK_MAX_CAMERAS = 8;
constexpr int RYK_WIDTH = 320;
constexpr int RYK_HEIGHT = 240;
constexpr int RYK_FRAME_BYTES = RYK_WIDTH * RYK_HEIGHT * 4;  // 307200
constexpr int RYK_PROPERTIES = 17;
constexpr const char* RYK_CAMERA_TAG = "@device:pnp";

// Property numbers.
enum {
  RYK_BRIGHTNESS = 0,
  RYK_CONTRAST = 1,
  RYK_HUE = 2,
  RYK_SATURATION = 3,
  RYK_SHARPNESS = 4,
  RYK_GAMMA = 5,
  RYK_COLOR_ENABLE = 6,
  RYK_WHITE_BALANCE = 7,
  RYK_BACKLIGHT_COMPENSATION = 8,
  RYK_GAIN = 9,
  RYK_PAN = 10,
  RYK_TILT = 11,
  RYK_ROLL = 12,
  RYK_ZOOM = 13,
  RYK_EXPOSURE = 14,
  RYK_IRIS = 15,
  RYK_FOCUS = 16,
};

// What a camera is doing, as the application can read it (ryk_CameraState).
enum {
  RYK_CAMERA_STOPPED = 0,    // not open, or no such camera
  RYK_CAMERA_STARTING = 1,   // open, no frame yet
  RYK_CAMERA_STREAMING = 2,  // frames arriving
  RYK_CAMERA_STALLED = 3,    // no frame for longer than the watchdog limit
  RYK_CAMERA_FAILED = 4,     // the camera reported an error (unplugged, I/O error) or did not start;
                             // sticky until it is plugged back in or the library reopens
};

namespace ryk::detail {
struct FrameStore;
}

// The per-camera frame grabber: the streaming thread hands it every sample.
// One is made per camera by ryk_Open; the library never destroys one that a
// pipeline may still call (the pipeline shares its ownership).
class ryk_SampleGrabberCB {
 public:
  explicit ryk_SampleGrabberCB(int camera);
  ~ryk_SampleGrabberCB();
  ryk_SampleGrabberCB(const ryk_SampleGrabberCB&) = delete;
  ryk_SampleGrabberCB& operator=(const ryk_SampleGrabberCB&) = delete;

  // Unused: the streaming path calls BufferCB only. Returns 0.
  int SampleCB(double sampleTime, const void* sample);
  // Stores a picture of `length` bytes, rows top-down, each row starting
  // `stride` bytes after the one before (a stride below 1280 is taken as
  // 1280, packed), as camera k's latest frame: the byte count (limited to
  // RYK_FRAME_BYTES), the packed rows, then the sample time. Never writes
  // more than RYK_FRAME_BYTES nor reads beyond `length`. Returns 0.
  int BufferCB(double sampleTime, const std::uint8_t* buffer, long length, long stride = RYK_WIDTH * 4);

  int camera() const { return camera_; }
  // Sample time of the frame the application took last; 0.0 at creation.
  // Written and read by the application's thread only.
  double lastTaken = 0.0;

  std::shared_ptr<ryk::detail::FrameStore> store() const { return store_; }

 private:
  int camera_;
  std::shared_ptr<ryk::detail::FrameStore> store_;
};

// Library state. ryk_ready: 1 while open. ryk_count: cameras in use (0-8).
extern std::atomic<int> ryk_ready;
extern std::atomic<int> ryk_count;
// Per camera: bytes of the last frame (0 until the first; at most
// RYK_FRAME_BYTES) and its sample time in seconds (0.0 until the first). The
// times of different cameras share one clock. A changed ryk_frameTime[k]
// means a complete new frame is in the buffer.
extern std::atomic<int> ryk_frameBytes[RYK_MAX_CAMERAS];
extern std::atomic<double> ryk_frameTime[RYK_MAX_CAMERAS];
extern int ryk_width[RYK_MAX_CAMERAS];
extern int ryk_height[RYK_MAX_CAMERAS];
// 1 when camera k reports property p. Written by ryk_Open only.
extern int ryk_available[RYK_MAX_CAMERAS][RYK_PROPERTIES];
// The grabbers of the cameras in use; null beyond ryk_count. Valid until the
// next ryk_Open.
extern ryk_SampleGrabberCB* ryk_grabber[RYK_MAX_CAMERAS];

// Builds each camera's chain, starts them and waits for the first frame of
// every camera, retrying a failed camera alone (docs/CAMERA.md). 0 when at
// least one camera streams (the others are RYK_CAMERA_FAILED, with their
// error; ryk_count is the number chosen), 1 when already open, 2-5 and 8 for
// the step that failed for all, 7, 9-15, 19 or 21 (an error or no first
// frame) when no camera streams: camera 0's reason, 22 when a camera chosen
// with ryk_SelectCameras is not there (stderr says which). A side-by-side
// stereo device counts as two cameras, its right half first.
int ryk_Open(double fps);
// Stops every camera, then frees. 0 closed, 1 not open, 2 the library is busy
// in another thread that did not give way within 5 s (nothing changed).
int ryk_Close();

// Percentage of property p of camera k, or -1.0. When automatic is given and
// the read succeeds, it receives 1 in automatic mode, else 0.
double ryk_GetProperty(int p, int k, int* automatic = nullptr);
// 0 done, 1 not open or no camera k, 2 p above 16, 3 not available,
// 4 its range cannot be read, 5 the camera refused the value.
int ryk_SetProperty(double percent, int p, int k);
int ryk_SetPropertyAuto(int p, int k);
// Modal dialog of all the camera's controls; returns when closed. 0 shown
// and closed, 1 not open or no camera k, 2 no dialog available (no
// property-page handler installed, or no control node), 3 the camera's
// controls cannot be listed.
int ryk_ShowPropertyPage(int k);

// Copies camera k's latest whole frame into dst (at most capacity bytes) and
// its sample time into *sampleTime. Returns the bytes copied; 0 when there is
// no frame or no such camera.
int ryk_CopyFrame(int k, void* dst, int capacity, double* sampleTime = nullptr);
// Blocks until camera k has a frame whose time differs from `after`, at most
// timeoutMs. Returns 1 when there is one, 0 on time-out, not open, or close.
int ryk_WaitFrame(int k, double after, int timeoutMs);
// RYK_CAMERA_* for camera k.
int ryk_CameraState(int k);
// The last error a camera reported ("" when none).
std::string ryk_CameraError(int k);
// Starts every camera that failed or stalled again, in the background (at its
// USB port's device as listed now); ryk_CameraState follows it. The thread
// that opened the library. Returns the cameras being started again (0 when
// none is down or the library is not open).
int ryk_RestartFailed();

// Chooses the cameras the next ryk_Open uses, camera 0 first: "A,B", each a
// device path (/dev/video2), a USB port path (usb-0000:00:14.0-2, or its
// /dev/v4l/by-path link) or a device name, with ":sbs" after it for a stereo
// camera that gives both pictures side by side (it becomes two cameras). Null or "": every camera, in USB
// port order. Any thread. 0 stored; 1 an empty name in the list or more than
// RYK_MAX_CAMERAS names (the choice stays as it was).
int ryk_SelectCameras(const char* list);
