// ryk_Open and ryk_Close: an open lists the devices, chooses the cameras
// (the user's list, else every camera in USB port order), builds every camera's
// chain in one pipeline, starts it and waits for camera 0's first frame,
// trying again (three attempts in all) when the start failed or timed out.
// A close, or a failed attempt, stops the pipeline before anything it used
// is let go.
#include <gst/gst.h>

#include "camera/handover.h"
#include "camera/library_state.h"
#include "ryk/ryk.h"
#include "shell/core/event_log.h"

namespace ryk {

namespace {

using namespace std::chrono_literals;

void stopPipeline(GstElement* pipeline) {
  // Stop until it succeeds or 3 s have passed; each retry first waits for
  // the state change under way.
  const auto t0 = Clock::now();
  while (gst_element_set_state(pipeline, GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE &&
         Clock::now() - t0 <= 3000ms)
    gst_element_get_state(pipeline, nullptr, nullptr, 100 * GST_MSECOND);
  detail::afterStreaming();
}

// Stops and frees everything of an attempt or an open library. The pipeline
// stops (its streaming threads end) before any buffer is let go; the bus
// thread ends first, as nothing it would report matters any more.
void cleanUp(Attempt& a) {
  Library& L = lib();
  if (L.busThread.joinable()) {
    // A stopped pipeline flushes its bus, which would swallow the quit message.
    gst_bus_set_flushing(a.bus, FALSE);
    gst_bus_post(a.bus, gst_message_new_application(nullptr, gst_structure_new_empty("ryk-quit")));
    L.busThread.join();
  }
  if (a.pipeline) stopPipeline(a.pipeline);
  if (a.bus) gst_object_unref(a.bus);
  a.bus = nullptr;
  if (a.pipeline) gst_object_unref(a.pipeline);
  a.pipeline = nullptr;
  L.pipeline = nullptr;
  releaseDevices(a.devices);
  for (int k = RYK_MAX_CAMERAS - 1; k >= 0; --k) {
    std::shared_ptr<Camera> cam;
    {
      std::lock_guard lock(L.tableMutex);
      cam = std::move(L.cameras[static_cast<size_t>(k)]);
    }
    if (cam) cam->grabber->store()->release();
    if (cam && cam->source) cam->source->quiesce();
  }
}

int attemptOpen(double fps, Attempt& a) {
  Library& L = lib();
  GError* err = nullptr;
  if (!gst_init_check(nullptr, nullptr, &err)) {
    if (err) g_error_free(err);
    return 2;
  }
  for (int k = 0; k < RYK_MAX_CAMERAS; ++k) {
    ryk_frameBytes[k] = 0;
    ryk_frameTime[k] = 0.0;
    for (int p = 0; p < RYK_PROPERTIES; ++p) ryk_available[k][p] = 0;
  }
  a.pipeline = gst_pipeline_new("ryk-graph");
  if (!a.pipeline) return 3;
  L.pipeline = a.pipeline;
  if (const int r = listDevices(a.devices)) return r;

  int fpsN = 30, fpsD = 1;
  gst_util_double_to_fraction(fps > 0.0 && fps < 1000.0 ? fps : 30.0, &fpsN, &fpsD);

  std::vector<DeviceInfo> infos;
  for (const Device& d : a.devices) infos.push_back(d.info);
  std::vector<std::string> names;
  parseCameraList(selectedCameras(), names);  // stored only when it parsed
  const CameraChoice choice = chooseCameras(infos, names, RYK_MAX_CAMERAS);
  if (!choice.error.empty()) {
    rozoru::logEvent("cameras not chosen: " + choice.error);
    return 22;
  }
  const std::vector<int>& picked = choice.cameras;
  std::string chosen;
  for (size_t k = 0; k < picked.size(); ++k)
    chosen += (k ? "; " : "") + std::string("camera ") + std::to_string(k) + " = " +
              describeDevice(infos[static_cast<size_t>(picked[k])]);
  if (!chosen.empty()) rozoru::logEvent("cameras chosen: " + chosen);
  ryk_count = 0;
  std::vector<GstElement*> sources;
  std::vector<std::shared_ptr<SourceRuntime>> runtimes;
  for (int i : picked) {
    const Device& d = a.devices[static_cast<size_t>(i)];
    const int k = static_cast<int>(sources.size());
    GstElement* src = nullptr;
    std::shared_ptr<SourceRuntime> rt;
    if (d.soft >= 0) {
      src = L.sourceMaker->makeSource(k, d.soft, cameraName(k), fpsN, fpsD, rt);
    } else if (!d.info.nodePath.empty()) {
      src = gst_element_factory_make("v4l2src", cameraName(k).c_str());
      if (src) g_object_set(src, "device", d.info.nodePath.c_str(), nullptr);
    } else {
      src = gst_device_create_element(d.device, cameraName(k).c_str());
    }
    if (!src) return 7;
    if (!gst_bin_add(GST_BIN(a.pipeline), src)) return 7;
    sources.push_back(src);
    runtimes.push_back(rt);
  }
  if (sources.empty()) return 8;
  for (size_t k = 0; k < sources.size(); ++k) {
    const Device& d = a.devices[static_cast<size_t>(picked[k])];
    if (const int r = buildCamera(a, static_cast<int>(k), d, sources[k], fpsN, fpsD, runtimes[k])) return r;
    if (auto cam = camera(static_cast<int>(k))) {
      std::lock_guard lock(L.tableMutex);
      cam->device = describeDevice(d.info);
    }
    ryk_count = static_cast<int>(k) + 1;
  }

  a.bus = gst_pipeline_get_bus(GST_PIPELINE(a.pipeline));
  if (!a.bus) return 18;
  L.busThread = std::thread(busLoop, a.bus);
  detail::beforeStreaming();
  if (gst_element_set_state(a.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) return 19;

  auto cam0 = camera(0);
  const auto deadline = Clock::now() + std::chrono::milliseconds(L.firstFrameMs.load());
  if (!cam0->grabber->store()->waitNewer(0.0, deadline)) return 21;
  return 0;
}

// One stderr line for a start that failed once its cameras were built:
// each camera that did not come up, with its device and why.
void reportFailedStart(int code, int attempt) {
  Library& L = lib();
  std::string text;
  for (int k = 0; k < RYK_MAX_CAMERAS; ++k) {
    auto cam = camera(k);
    if (!cam || cam->grabber->store()->state.load() == RYK_CAMERA_STREAMING) continue;
    std::string why;
    {
      std::lock_guard lock(L.tableMutex);
      const std::string late = "no first frame within " + std::to_string(L.firstFrameMs.load()) + " ms";
      why = !cam->error.empty() ? cam->error : cam->device + ": " + (code == 21 ? late : "would not start");
    }
    text += (text.empty() ? "" : "; ") + std::string("camera ") + std::to_string(k) + " = " + why;
  }
  if (!text.empty())
    rozoru::logEvent("start failed (attempt " + std::to_string(attempt) + " of 3): " + text);
}

}  // namespace

namespace detail {
void setFirstFrameLimit(std::chrono::milliseconds limit) { lib().firstFrameMs = static_cast<int>(limit.count()); }
int lastOpenAttempts() { return lib().attempts.load(); }
}  // namespace detail

}  // namespace ryk

using ryk::lib;

int ryk_Open(double fps) {
  auto& L = lib();
  std::unique_lock lock(L.lock);
  if (ryk_ready) return 1;
  L.closing = false;
  L.attempts = 0;
  {
    std::lock_guard t(L.tableMutex);
    for (auto& g : L.grabbers) g.reset();
  }
  for (auto& g : ryk_grabber) g = nullptr;
  int code = 0, retries = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    ryk::Attempt a;
    L.attempts = attempt + 1;
    code = ryk::attemptOpen(fps, a);
    if (code == 0 && !L.closing) {
      ryk_ready = 1;
      return 0;
    }
    if (code == 0) code = 21;  // closed while starting
    else if (code == 19 || code == 21) ryk::reportFailedStart(code, attempt + 1);
    ryk::cleanUp(a);
    ryk_count = 0;
    if (code == 19 || code == 21) ++retries;
    if (retries == 0 || L.closing) break;
  }
  return code;
}

int ryk_Close() {
  auto& L = lib();
  // A start still waiting for its first frame gives up at once.
  L.closing = true;
  if (!ryk_ready)
    for (int k = 0; k < RYK_MAX_CAMERAS; ++k)
      if (auto cam = ryk::camera(k)) cam->grabber->store()->release();
  std::unique_lock lock(L.lock, std::defer_lock);
  if (!lock.try_lock_for(std::chrono::seconds(5))) {
    L.closing = false;
    return 2;
  }
  L.closing = false;
  if (!ryk_ready) return 1;
  ryk::Attempt a;
  a.pipeline = L.pipeline;
  a.bus = gst_pipeline_get_bus(GST_PIPELINE(a.pipeline));
  ryk::cleanUp(a);
  ryk_ready = 0;
  return 0;
}
