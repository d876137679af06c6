// What the test cameras' provider (test_provider.cpp) and their source
// element (test_source.cpp) share.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "camera/test_cameras/test_provider.h"

namespace ryk::test::detail {

// One test camera. Fields marked "guarded" are read and written under
// registryMutex(); the rest do not change after it was added.
struct Cam {
  std::string port;
  std::string filePath;
  std::string name;
  std::string pattern;
  bool sideBySide = false;
  GstCaps* caps = nullptr;  // the file's modes
  TestFailure failure;      // guarded
  bool present = true;      // guarded: plugged in
  std::string mode;         // guarded: what its latest element streams
  std::vector<std::unique_ptr<GWeakRef>> elements;  // guarded: its source elements

  std::mutex framesMutex;
  std::condition_variable framesArrived;
  long frames = 0;  // guarded by framesMutex

  Cam() = default;
  Cam(const Cam&) = delete;
  Cam& operator=(const Cam&) = delete;
  ~Cam();
};

std::mutex& registryMutex();
// The camera at `port`, present or unplugged; null when there is none.
std::shared_ptr<Cam> findCamera(const std::string& port);

// A new source element of the camera (see test_source.cpp).
GstElement* makeTestSource(const std::shared_ptr<Cam>& cam, const char* name);
// Makes a running source element post a read error ("No such device") and
// stop pushing, as v4l2src does when its camera is pulled out.
void unplugTestSource(GstElement* source);

// Registers the provider's factory in a plugin (the static one the tests
// register, or the plugin module).
gboolean registerProviderIn(GstPlugin* plugin);

}  // namespace ryk::test::detail
