// The bus thread: notes each camera's errors as they arrive and runs the
// watchdog with timed waits on the bus, so a camera without frames is called
// stalled without any polling.
#include <cstdio>

#include "camera/error_hints.h"
#include "camera/library_state.h"
#include "shell/core/event_log.h"

namespace ryk {

namespace {

using namespace std::chrono_literals;

static_assert(static_cast<int>(ResourceCode::Busy) == GST_RESOURCE_ERROR_BUSY);
static_assert(static_cast<int>(ResourceCode::NoSpaceLeft) == GST_RESOURCE_ERROR_NO_SPACE_LEFT);
static_assert(static_cast<int>(ResourceCode::NotAuthorized) == GST_RESOURCE_ERROR_NOT_AUTHORIZED);

// The camera an element belongs to: its own or an ancestor's name is
// "Video Capture <k>" or starts with "cam<k>-".
int cameraOf(GstObject* o) {
  for (; o; o = GST_OBJECT_PARENT(o)) {
    const gchar* name = GST_OBJECT_NAME(o);
    if (!name) continue;
    int k = -1;
    if (std::sscanf(name, "Video Capture %d", &k) == 1 || std::sscanf(name, "cam%d-", &k) == 1)
      if (k >= 0 && k < RYK_MAX_CAMERAS) return k;
  }
  return -1;
}

}  // namespace

void busLoop(GstBus* bus) {
  Library& L = lib();
  for (;;) {
    const auto limit = std::chrono::milliseconds(L.watchdogMs.load());
    // Wake for the next bus message, or when the earliest camera would go stale.
    auto wait = limit;
    for (int k = 0; k < RYK_MAX_CAMERAS; ++k) {
      auto cam = camera(k);
      if (!cam) continue;
      auto store = cam->grabber->store();
      std::lock_guard lock(store->mutex);
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(store->lastArrival + limit - Clock::now());
      if (left > 0ms && left < wait) wait = left + 1ms;
    }
    GstMessage* msg = gst_bus_timed_pop(bus, static_cast<GstClockTime>(wait.count()) * GST_MSECOND);
    if (msg) {
      const bool quit = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_APPLICATION &&
                        gst_structure_has_name(gst_message_get_structure(msg), "ryk-quit");
      if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
        GError* err = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(msg, &err, &debug);
        const int k = cameraOf(GST_MESSAGE_SRC(msg));
        const std::string reason = err && err->message ? err->message : "";
        const std::string details = std::string(reason) + "\n" + (debug ? debug : "");
        const std::string hint =
            err ? errorHint(g_quark_to_string(err->domain), err->code, details) : errorHint("", 0, details);
        auto cam = camera(k);
        const std::string why = errorText(cam ? cam->device : "", reason, debug ? debug : "", hint);
        if (cam) {
          cam->grabber->store()->state = RYK_CAMERA_FAILED;
          std::lock_guard lock(L.tableMutex);
          cam->error = why;
        }
        rozoru::logEvent((k >= 0 ? "camera " + std::to_string(k) + " failed: " : "capture failed: ") + why);
        if (err) g_error_free(err);
        g_free(debug);
      }
      gst_message_unref(msg);
      if (quit) return;
    }
    // Watchdog: a camera without a frame for longer than the limit is stalled.
    for (int k = 0; k < RYK_MAX_CAMERAS; ++k) {
      auto cam = camera(k);
      if (!cam) continue;
      auto store = cam->grabber->store();
      std::lock_guard lock(store->mutex);
      if (Clock::now() - store->lastArrival <= limit) continue;
      int s = store->state.load();
      if (s == RYK_CAMERA_STREAMING || s == RYK_CAMERA_STARTING) store->state.compare_exchange_strong(s, RYK_CAMERA_STALLED);
    }
  }
}

namespace detail {
void setWatchdogLimit(std::chrono::milliseconds limit) { lib().watchdogMs = static_cast<int>(limit.count()); }
}  // namespace detail

}  // namespace ryk
