// Frames and camera states for readers on any thread: copies out of the
// camera's frame store, waits for a newer frame, the state and last error.
#include <algorithm>

#include "camera/library_state.h"

namespace ryk::detail {

std::uint64_t framesDelivered(int k) {
  auto cam = camera(k);
  return cam ? cam->grabber->store()->frames.load() : 0;
}

std::string modeOf(int k) {
  auto cam = camera(k);
  if (cam && cam->sideBySide && !cam->right) cam = camera(cam->partner);
  return cam && cam->mode.found ? describe(cam->mode) : "";
}

int stallsOf(int k) {
  auto cam = camera(k);
  return cam ? cam->grabber->store()->stalls.load() : 0;
}

}  // namespace ryk::detail

using ryk::lib;

int ryk_CopyFrame(int k, void* dst, int capacity, double* sampleTime) {
  auto cam = ryk::camera(k);
  return cam ? cam->grabber->store()->copy(dst, capacity, sampleTime) : 0;
}

int ryk_WaitFrame(int k, double after, int timeoutMs) {
  auto cam = ryk::camera(k);
  if (!cam) return 0;
  return cam->grabber->store()->waitNewer(after, std::chrono::steady_clock::now() +
                                                     std::chrono::milliseconds(std::max(0, timeoutMs)))
             ? 1
             : 0;
}

int ryk_CameraState(int k) {
  auto cam = ryk::camera(k);
  return cam ? cam->grabber->store()->state.load() : RYK_CAMERA_STOPPED;
}

std::string ryk_CameraError(int k) {
  auto cam = ryk::camera(k);
  if (!cam) return "";
  std::lock_guard lock(lib().tableMutex);
  return cam->error;
}
