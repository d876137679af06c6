// The camera table and the library's one shared state.
#include "camera/library_state.h"

#include <cstdio>

namespace ryk {

Library& lib() {
  static Library* l = new Library;  // never destroyed: a late Close at exit may still use it
  return *l;
}

std::string cameraName(int k) {
  char name[32];
  std::snprintf(name, sizeof name, "Video Capture %d", k);
  return name;
}

std::shared_ptr<Camera> camera(int k) {
  if (k < 0 || k >= RYK_MAX_CAMERAS) return nullptr;
  Library& L = lib();
  std::lock_guard lock(L.tableMutex);
  return L.cameras[static_cast<size_t>(k)];
}

void setSourceMaker(std::shared_ptr<SourceMaker> maker) {
  Library& L = lib();
  std::lock_guard lock(L.lock);
  L.sourceMaker = std::move(maker);
}

std::shared_ptr<SourceRuntime> sourceRuntime(int k) {
  auto cam = camera(k);
  if (!cam) return nullptr;
  std::lock_guard lock(lib().tableMutex);
  return cam->source;
}

Fraction requestedRate() {
  const double fps = lib().fps;
  int n = 30, d = 1;
  gst_util_double_to_fraction(fps > 0.0 && fps < 1000.0 ? fps : 30.0, &n, &d);
  return {n, d};
}

std::string deviceName(int k) {
  auto cam = camera(k);
  return cam ? cam->displayName : "";
}

}  // namespace ryk
