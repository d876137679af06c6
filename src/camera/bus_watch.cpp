// Camera errors and the bus thread. Each chain's bus hands its errors over
// at once, on the thread that posts them: the camera is marked failed with
// why, and whether a lighter mode could help. The bus thread waits on the
// library's own bus with a deadline for device departures, arrivals and the
// quit message, and runs the watchdog, so a camera without frames is called
// stalled without any polling.
#include "camera/error_hints.h"
#include "camera/handover.h"
#include "camera/library_state.h"
#include "shell/core/event_log.h"

namespace ryk {

namespace {

using namespace std::chrono_literals;

static_assert(static_cast<int>(ResourceCode::Busy) == GST_RESOURCE_ERROR_BUSY);
static_assert(static_cast<int>(ResourceCode::NoSpaceLeft) == GST_RESOURCE_ERROR_NO_SPACE_LEFT);
static_assert(static_cast<int>(ResourceCode::NotAuthorized) == GST_RESOURCE_ERROR_NOT_AUTHORIZED);
static_assert(kCoreNegotiation == GST_CORE_ERROR_NEGOTIATION);

// Which chain a bus belongs to.
struct ChainTag {
  int camera;
  unsigned generation;
};

void reportError(int k, unsigned generation, GstMessage* msg) {
  Library& L = lib();
  auto cam = camera(k);
  if (!cam || cam->generation.load() != generation) return;  // an older chain's
  // The first error says why; what follows from it adds nothing.
  Failure none = Failure::None;
  if (cam->grabber->store()->state.load() == RYK_CAMERA_FAILED && cam->failure.load() != Failure::None) return;
  GError* err = nullptr;
  gchar* debug = nullptr;
  gst_message_parse_error(msg, &err, &debug);
  const std::string reason = err && err->message ? err->message : "";
  const std::string details = reason + "\n" + (debug ? debug : "");
  const std::string domain = err ? g_quark_to_string(err->domain) : "";
  const int code = err ? err->code : 0;
  const std::string hint = errorHint(domain, code, details);
  const std::string why = errorText(cam->device, reason, debug ? debug : "", hint);
  const Failure kind = wantsLighterMode(domain, code, details) ? Failure::Lighter : Failure::Other;
  cam->failure.compare_exchange_strong(none, kind);
  auto other = camera(cam->partner);
  {
    std::lock_guard lock(L.tableMutex);
    cam->error = why;
    if (other) other->error = why;
  }
  cam->grabber->store()->fail();
  if (other) other->grabber->store()->fail();
  rozoru::logEvent("camera " + std::to_string(k) + (other ? " and " + std::to_string(cam->partner) : "") +
                   " failed: " + why);
  if (err) g_error_free(err);
  g_free(debug);
}

GstBusSyncReply onChainMessage(GstBus*, GstMessage* msg, gpointer data) {
  const auto* tag = static_cast<const ChainTag*>(data);
  if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) reportError(tag->camera, tag->generation, msg);
  return GST_BUS_DROP;
}

// How long camera k may go without a frame: the first-frame limit while it
// starts, else the watchdog limit.
std::chrono::milliseconds limitFor(int state) {
  Library& L = lib();
  return std::chrono::milliseconds(state == RYK_CAMERA_STARTING ? L.firstFrameMs.load() : L.watchdogMs.load());
}

}  // namespace

void forwardChainBus(GstElement* pipeline, int k, unsigned gen) {
  GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
  gst_bus_set_sync_handler(bus, onChainMessage, new ChainTag{k, gen},
                           [](gpointer p) { delete static_cast<ChainTag*>(p); });
  gst_object_unref(bus);
}

void busLoop(GstBus* bus) {
  for (;;) {
    // Wake for the next message, or when the earliest camera would go stale.
    auto wait = std::chrono::milliseconds(lib().watchdogMs.load());
    for (int k = 0; k < RYK_MAX_CAMERAS; ++k) {
      auto cam = camera(k);
      if (!cam) continue;
      auto store = cam->grabber->store();
      std::lock_guard lock(store->mutex);
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          store->lastArrival + limitFor(store->state.load()) - Clock::now());
      if (left > 0ms && left < wait) wait = left + 1ms;
    }
    GstMessage* msg = gst_bus_timed_pop(bus, static_cast<GstClockTime>(wait.count()) * GST_MSECOND);
    if (msg) {
      detail::afterPopping();
      const GstStructure* s = gst_message_get_structure(msg);
      const bool app = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_APPLICATION && s;
      const bool quit = app && gst_structure_has_name(s, "ryk-quit");
      if (app && gst_structure_has_name(s, "ryk-device")) {
        GstDevice* device = nullptr;
        if (gst_structure_has_field_typed(s, "device", GST_TYPE_DEVICE))
          gst_structure_get(s, "device", GST_TYPE_DEVICE, &device, nullptr);
        const gchar* port = gst_structure_get_string(s, "port");
        deviceArrived(device, port ? port : "");
        if (device) gst_object_unref(device);
      }
      if (app && gst_structure_has_name(s, "ryk-restart")) restartDownCameras();
      if (app && gst_structure_has_name(s, "ryk-device-gone")) {
        const gchar* port = gst_structure_get_string(s, "port");
        deviceLeft(port ? port : "");
      }
      gst_message_unref(msg);
      if (quit) return;
    }
    // Watchdog: a camera without a frame for longer than its limit is stalled.
    for (int k = 0; k < RYK_MAX_CAMERAS; ++k) {
      auto cam = camera(k);
      if (!cam) continue;
      auto store = cam->grabber->store();
      std::lock_guard lock(store->mutex);
      int s = store->state.load();
      if (Clock::now() - store->lastArrival <= limitFor(s)) continue;
      if ((s == RYK_CAMERA_STREAMING || s == RYK_CAMERA_STARTING) &&
          store->state.compare_exchange_strong(s, RYK_CAMERA_STALLED))
        store->stalls.fetch_add(1);
    }
  }
}

namespace detail {
void setWatchdogLimit(std::chrono::milliseconds limit) { lib().watchdogMs = static_cast<int>(limit.count()); }
}  // namespace detail

}  // namespace ryk
