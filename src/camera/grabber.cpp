// The frame grabber and the library's shared frame state.
#include <algorithm>
#include <cstring>

#include "camera/frame_store.h"
#include "ryk/ryk.h"

std::atomic<int> ryk_ready{0};
std::atomic<int> ryk_count{0};
std::atomic<int> ryk_frameBytes[RYK_MAX_CAMERAS];
std::atomic<double> ryk_frameTime[RYK_MAX_CAMERAS];
int ryk_width[RYK_MAX_CAMERAS];
int ryk_height[RYK_MAX_CAMERAS];
int ryk_available[RYK_MAX_CAMERAS][RYK_PROPERTIES];
ryk_SampleGrabberCB* ryk_grabber[RYK_MAX_CAMERAS];

namespace ryk::detail {

FrameStore::FrameStore(int k)
    : camera(k),
      pixels(new std::uint32_t[RYK_FRAME_BYTES / 4]()),
      lastArrival(std::chrono::steady_clock::now()) {}

void FrameStore::deliver(double sampleTime, const std::uint8_t* buffer, long length, long stride) {
  constexpr long row = RYK_WIDTH * 4;
  if (stride < row) stride = row;  // rows never overlap; packed is the least
  // Whole rows first, then what the buffer holds of the next: a short sample
  // keeps its length, a long or padded one gives at most one frame.
  const long have = buffer ? std::max(length, 0L) : 0L;
  const long rows = std::min<long>(have / stride, RYK_HEIGHT);
  const long part = rows < RYK_HEIGHT ? std::min(have - rows * stride, row) : 0;
  const int n = static_cast<int>(rows * row + part);
  const bool mirror = camera >= 0 && camera < RYK_MAX_CAMERAS;
  {
    std::lock_guard lock(mutex);
    if (released) return;
    // Byte count, pixels, then time: a changed time means a whole new frame.
    bytes = n;
    if (mirror && published) ryk_frameBytes[camera] = n;
    auto* out = reinterpret_cast<std::uint8_t*>(pixels.get());
    if (stride == row) {
      if (n > 0) std::memcpy(out, buffer, static_cast<size_t>(n));
    } else {
      for (long r = 0; r < rows; ++r) std::memcpy(out + r * row, buffer + r * stride, static_cast<size_t>(row));
      if (part > 0) std::memcpy(out + rows * row, buffer + rows * stride, static_cast<size_t>(part));
    }
    time = sampleTime;
    if (mirror && published) ryk_frameTime[camera] = sampleTime;
    anyFrame = true;
    started = true;
    lastArrival = std::chrono::steady_clock::now();
    frames.fetch_add(1, std::memory_order_relaxed);
    int s = state.load();
    while (s != RYK_CAMERA_FAILED && s != RYK_CAMERA_STREAMING && !state.compare_exchange_weak(s, RYK_CAMERA_STREAMING)) {
    }
  }
  arrived.notify_all();
}

int FrameStore::copy(void* dst, int capacity, double* sampleTime) {
  std::lock_guard lock(mutex);
  if (!anyFrame || !dst || capacity <= 0) return 0;
  const int n = std::min(bytes, capacity);
  std::memcpy(dst, pixels.get(), static_cast<size_t>(n));
  if (sampleTime) *sampleTime = time;
  return n;
}

bool FrameStore::waitNewer(double after, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex);
  arrived.wait_until(lock, deadline, [&] { return released || (anyFrame && time != after); });
  return !released && anyFrame && time != after;
}

void FrameStore::release() {
  {
    std::lock_guard lock(mutex);
    released = true;
    published = false;
  }
  arrived.notify_all();
}

void FrameStore::fail() {
  {
    std::lock_guard lock(mutex);
    state = RYK_CAMERA_FAILED;
  }
  arrived.notify_all();
}

void FrameStore::restart() {
  std::lock_guard lock(mutex);
  started = false;
  state = RYK_CAMERA_STARTING;
  lastArrival = std::chrono::steady_clock::now();
}

bool FrameStore::waitStart(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex);
  arrived.wait_until(lock, deadline, [&] { return released || started || state.load() == RYK_CAMERA_FAILED; });
  return !released && started && state.load() != RYK_CAMERA_FAILED;
}

}  // namespace ryk::detail

ryk_SampleGrabberCB::ryk_SampleGrabberCB(int camera)
    : camera_(camera), store_(std::make_shared<ryk::detail::FrameStore>(camera)) {}

ryk_SampleGrabberCB::~ryk_SampleGrabberCB() = default;

int ryk_SampleGrabberCB::SampleCB(double, const void*) { return 0; }

int ryk_SampleGrabberCB::BufferCB(double sampleTime, const std::uint8_t* buffer, long length, long stride) {
  // GStreamer hands the picture over top-down already (the platform this
  // replaces delivered it bottom-up), so rows are stored in their order;
  // each row starts `stride` bytes after the last, padding left behind.
  store_->deliver(sampleTime, buffer, length, stride);
  return 0;
}
