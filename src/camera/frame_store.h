// One camera's latest frame, shared by its streaming thread (writer) and the
// application (readers). The writer stores a whole frame under the mutex, so
// a reader that copies under the mutex always gets one whole frame.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "ryk/ryk.h"

namespace ryk::detail {

struct FrameStore {
  explicit FrameStore(int k);

  // Streaming thread. Rows of `stride` bytes (at least one packed row) are
  // stored packed, at most one frame.
  void deliver(double sampleTime, const std::uint8_t* buffer, long length, long stride);
  // Any thread. Bytes copied (0 without a frame).
  int copy(void* dst, int capacity, double* sampleTime);
  // True when a frame with a time other than `after` is there before the
  // deadline; false on time-out or once released.
  bool waitNewer(double after, std::chrono::steady_clock::time_point deadline);
  // Ends every wait; from now on the library's public counters are left alone.
  void release();
  // The camera failed: its state becomes RYK_CAMERA_FAILED and a waitStart returns.
  void fail();
  // Its chain starts again: RYK_CAMERA_STARTING, and the watchdog counts from now.
  void restart();
  // Waits until the first frame since the last restart, a failure or a release,
  // at most until the deadline. True when a frame came.
  bool waitStart(std::chrono::steady_clock::time_point deadline);

  const int camera;
  std::mutex mutex;
  std::condition_variable arrived;
  std::unique_ptr<std::uint32_t[]> pixels;
  int bytes = 0;
  double time = 0.0;
  bool released = false;
  bool anyFrame = false;
  bool started = false;  // a frame since the last restart
  std::chrono::steady_clock::time_point lastArrival;  // open time until the first frame
  std::atomic<std::uint64_t> frames{0};
  std::atomic<int> state{RYK_CAMERA_STARTING};
  std::atomic<int> stalls{0};  // times the watchdog called it stalled
  std::atomic<bool> published{true};  // mirrors into ryk_frameBytes / ryk_frameTime
};

}  // namespace ryk::detail
