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
#include "camera/source_hook.h"
#include "ryk/ryk.h"

namespace ryk {

using Clock = std::chrono::steady_clock;

struct Camera {
  std::shared_ptr<ryk_SampleGrabberCB> grabber;
  std::shared_ptr<CameraControls> controls;
  std::shared_ptr<SourceRuntime> source;  // a software source's runtime, else null
  std::string displayName;
  std::string device;  // "/dev/video2 at usb-...-2 (name)", for error texts
  std::string error;  // guarded by Library::tableMutex
};

// One listed device and how to make its source.
struct Device {
  DeviceInfo info;
  std::string displayName;
  GstDevice* device = nullptr;  // held reference for discovered devices
  int soft = -1;                // index into the source maker's devices
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
  GstElement* pipeline = nullptr;
  std::thread busThread;
  std::atomic<bool> closing{false};
  std::shared_ptr<SourceMaker> sourceMaker;  // software sources in place of the system's
  PropertyPageHandler pageHandler;
  std::atomic<int> firstFrameMs{3000};
  std::atomic<int> watchdogMs{1000};
  std::atomic<int> attempts{0};
};

// Everything an attempt made, for its clean-up.
struct Attempt {
  GstElement* pipeline = nullptr;
  GstBus* bus = nullptr;
  std::vector<Device> devices;
};

Library& lib();
// "Video Capture <k>": the name of camera k's source.
std::string cameraName(int k);
// Camera k of the table while open, else null.
std::shared_ptr<Camera> camera(int k);

// discovery.cpp: 0, or 4 (no monitor) / 5 (nothing listed).
int listDevices(std::vector<Device>& out);
void releaseDevices(std::vector<Device>& devices);

// chain.cpp: camera k's chain from `source` to its grabber in the attempt's
// pipeline, and its table entry; 0 or the open's error code.
int buildCamera(Attempt& a, int k, const Device& dev, GstElement* source, int fpsN, int fpsD,
                std::shared_ptr<SourceRuntime> runtime);

// bus_watch.cpp: the bus thread, errors per camera and the watchdog.
void busLoop(GstBus* bus);

}  // namespace ryk
