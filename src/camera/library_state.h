// The camera library's shared state: the camera table, the library lock and
// the pieces that discovery, chain building, the bus thread, open/close,
// properties and frames share. Internal to src/camera.
#pragma once

#include <gst/gst.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera/controls.h"
#include "camera/devices.h"
#include "camera/frame_store.h"
#include "camera/library.h"
#include "camera/mode_choice.h"
#include "camera/source_hook.h"
#include "ryk/ryk.h"

namespace ryk {

using Clock = std::chrono::steady_clock;

// One listed device and how to make its source.
struct Device {
  DeviceInfo info;
  std::string displayName;
  GstDevice* device = nullptr;  // held reference for discovered devices
  int soft = -1;                // index into the source maker's devices
};

// Why a camera's start or chain failed: Lighter (no bus bandwidth, or the
// mode could not be negotiated) asks for a lighter mode, Other for a retry.
enum class Failure { None, Lighter, Other };

struct Camera {
  std::shared_ptr<ryk_SampleGrabberCB> grabber;
  std::shared_ptr<CameraControls> controls;  // guarded by Library::tableMutex
  std::shared_ptr<SourceRuntime> source;  // a software source's runtime, else null
  std::string displayName;
  std::string device;  // "/dev/video2 at usb-...-2 (name)", for error texts
  std::string error;  // guarded by Library::tableMutex

  // The chain. Used by the opening thread during ryk_Open and ryk_Close, and
  // by the bus thread (a restart) only while the library runs.
  Device dev;                      // holds its own reference to the GstDevice
  GstElement* pipeline = nullptr;  // its own; null for the second half of a side-by-side device
  ChosenMode mode;                 // the mode it streams at; not found: choose afresh
  std::vector<OfferedMode> offered;
  int code = 0;                    // ryk_Open's code for its last failure
  int tries = 0;                   // failed starts that were not for a lighter mode
  int lighter = 0;                 // lighter modes tried
  int partner = -1;                // the other half's camera of a side-by-side device
  bool sideBySide = false;         // the device gives both pictures in one frame
  bool right = true;               // of a side-by-side device: this camera is its right half
  bool unplugged = false;          // a device left its port since it started (bus thread only)
  // Each start is a generation; errors of an older one are ignored.
  std::atomic<unsigned> generation{0};
  std::atomic<Failure> failure{Failure::None};
};

// A lock that can be waited for with a deadline (a condition variable, as
// timed mutexes are not understood by ThreadSanitizer).
class TimedLock {
 public:
  void lock() {
    std::unique_lock l(m_);
    cv_.wait(l, [this] { return !held_; });
    held_ = true;
  }
  template <class Duration>
  bool try_lock_for(Duration d) {
    std::unique_lock l(m_);
    if (!cv_.wait_for(l, d, [this] { return !held_; })) return false;
    held_ = true;
    return true;
  }
  void unlock() {
    {
      std::lock_guard l(m_);
      held_ = false;
    }
    cv_.notify_one();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool held_ = false;
};

struct Library {
  TimedLock lock;  // open, close and property operations
  std::mutex tableMutex;  // cameras[] for readers on any thread
  std::array<std::shared_ptr<Camera>, RYK_MAX_CAMERAS> cameras;
  // Grabbers live until the next open: the application may still hold ryk_grabber[k].
  std::array<std::shared_ptr<ryk_SampleGrabberCB>, RYK_MAX_CAMERAS> grabbers;
  // All chains run on one clock with one base time, so their frame times compare.
  GstClock* clock = nullptr;
  GstClockTime baseTime = 0;
  GstBus* bus = nullptr;  // every chain's errors, device arrivals and the quit message
  GstDeviceMonitor* monitor = nullptr;  // device arrivals while open (system cameras)
  std::atomic<double> fps{30.0};
  std::thread busThread;
  std::atomic<bool> closing{false};
  std::atomic<bool> running{false};  // open and started: the bus thread may restart cameras
  std::shared_ptr<SourceMaker> sourceMaker;  // software sources in place of the system's
  PropertyPageHandler pageHandler;
  std::atomic<int> firstFrameMs{3000};
  std::atomic<int> watchdogMs{1000};
  std::atomic<int> attempts{0};
};

Library& lib();
// "Video Capture <k>": the name of camera k's source.
std::string cameraName(int k);
// Camera k of the table while open, else null.
std::shared_ptr<Camera> camera(int k);

// The rate ryk_Open asked for, as a fraction.
Fraction requestedRate();

// discovery.cpp: 0, or 4 (no monitor) / 5 (nothing listed).
int listDevices(std::vector<Device>& out);
void releaseDevices(std::vector<Device>& devices);

// chain.cpp: camera k's chain from `source` to its grabber (and a
// side-by-side device's to its partner's) in `pipeline`, in cam.mode or a mode
// chosen now; 0 or the open's error code.
int buildChain(GstElement* pipeline, int k, Camera& cam, GstElement* source);

// open_close.cpp: starts camera k's chain afresh (a new generation, its grabber
// kept); 0, or the code of what failed (cam.code, cam.failure). Stops it.
int startCamera(int k);
void stopCamera(int k);

// bus_watch.cpp: the bus thread, errors per camera, the watchdog and restarts.
void busLoop(GstBus* bus);
// Forwards the errors of camera k's chain of generation `gen` to the library's bus.
void forwardChainBus(GstElement* pipeline, int k, unsigned gen);

// recovery.cpp: the device monitor that reports departures and arrivals while
// open, and the restart of a failed or stalled camera whose port a device
// arrived at after one left it.
void watchArrivals();
void stopWatchingArrivals();
void deviceLeft(const std::string& port);
void deviceArrived(GstDevice* device, const std::string& port);
// A camera that failed or stalled.
bool isDown(const std::shared_ptr<Camera>& c);
// Restarts every failed or stalled camera, at its port's device as listed now.
void restartDownCameras();
// A device's DeviceInfo as discovery reads it.
DeviceInfo infoOf(GstDevice* d);

}  // namespace ryk
