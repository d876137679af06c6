// ryk_Open and ryk_Close. An open lists the devices, chooses the cameras (the
// user's list, else every camera in USB port order) and starts each camera's
// chain in its own pipeline, all on one clock with one base time. It waits,
// with one deadline, for the first frame of every camera it started; a camera
// that failed for lack of bus bandwidth or in negotiation tries a lighter mode,
// one that failed otherwise tries again (three attempts in all), and the
// others go on. The open succeeds when one camera streams. A close, or a
// failed open, stops every chain before anything it used is let go.
#include <gst/gst.h>


#include "camera/caps_modes.h"
#include "camera/handover.h"
#include "camera/library_state.h"
#include "ryk/ryk.h"
#include "shell/core/event_log.h"

namespace ryk {

namespace {

using namespace std::chrono_literals;

constexpr int kTries = 3;    // attempts of a camera whose start failed for other reasons
constexpr int kLighter = 4;  // lighter modes a camera may try

void stopPipeline(GstElement* pipeline) {
  // Stop until it succeeds or 3 s have passed; each retry first waits for
  // the state change under way.
  const auto t0 = Clock::now();
  while (gst_element_set_state(pipeline, GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE &&
         Clock::now() - t0 <= 3000ms)
    gst_element_get_state(pipeline, nullptr, nullptr, 100 * GST_MSECOND);
  detail::afterStreaming();
}

// The source element of camera k's device, named "Video Capture <k>"; a
// software source's runtime replaces the one before.
GstElement* makeSource(int k, Camera& cam) {
  Library& L = lib();
  const Device& d = cam.dev;
  if (d.soft >= 0) {
    std::shared_ptr<SourceRuntime> rt;
    const Fraction rate = requestedRate();
    GstElement* src = L.sourceMaker->makeSource(k, d.soft, cameraName(k), rate.num, rate.den, rt);
    std::shared_ptr<CameraControls> controls;
    if (rt)
      if (auto node = rt->controlNode()) controls = std::make_shared<CameraControls>(std::move(node));
    std::lock_guard lock(L.tableMutex);
    cam.source = rt;
    cam.controls = controls;
    return src;
  }
  GstElement* src = nullptr;
  if (!d.info.nodePath.empty()) {
    src = gst_element_factory_make("v4l2src", cameraName(k).c_str());
    if (src) g_object_set(src, "device", d.info.nodePath.c_str(), nullptr);
  } else if (d.device) {
    src = gst_device_create_element(d.device, cameraName(k).c_str());
  }
  return src;
}

// A new table entry for camera k on device `d` (its own reference).
std::shared_ptr<Camera> newCamera(int k, const Device& d) {
  Library& L = lib();
  auto cam = std::make_shared<Camera>();
  cam->displayName = d.displayName;
  cam->device = describeDevice(d.info);
  cam->dev = d;
  if (d.device) gst_object_ref(d.device);
  cam->grabber = std::make_shared<ryk_SampleGrabberCB>(k);
  ryk_width[k] = RYK_WIDTH;
  ryk_height[k] = RYK_HEIGHT;
  ryk_frameBytes[k] = 0;
  ryk_frameTime[k] = 0.0;
  if (d.soft < 0 && !d.info.nodePath.empty()) {
    int err = 0;
    if (auto node = openV4l2Node(d.info.nodePath, &err))
      cam->controls = std::make_shared<CameraControls>(std::move(node));
  }
  std::lock_guard lock(L.tableMutex);
  L.cameras[static_cast<size_t>(k)] = cam;
  L.grabbers[static_cast<size_t>(k)] = cam->grabber;
  ryk_grabber[k] = cam->grabber.get();
  return cam;
}

// The modes a listed device offers (none for software sources, which are
// asked when their source is made).
std::vector<OfferedMode> modesOf(const Device& d) {
  if (!d.device) return {};
  GstCaps* caps = gst_device_get_caps(d.device);
  std::vector<OfferedMode> modes = offeredModes(caps);
  if (caps) gst_caps_unref(caps);
  return modes;
}

void startBus() {
  Library& L = lib();
  L.clock = gst_system_clock_obtain();
  L.baseTime = gst_clock_get_time(L.clock);
  L.bus = gst_bus_new();
  L.busThread = std::thread(busLoop, L.bus);
}

// Stops and frees everything of an open library, or of an open that failed.
// The bus thread ends first (no restart can begin after), then every chain
// stops (its streaming threads end) before any buffer or device is let go.
void closeAll() {
  Library& L = lib();
  L.running = false;
  stopWatchingArrivals();
  if (L.busThread.joinable()) {
    gst_bus_post(L.bus, gst_message_new_application(nullptr, gst_structure_new_empty("ryk-quit")));
    L.busThread.join();
  }
  for (int k = RYK_MAX_CAMERAS - 1; k >= 0; --k) stopCamera(k);
  for (int k = RYK_MAX_CAMERAS - 1; k >= 0; --k) {
    std::shared_ptr<Camera> cam;
    {
      std::lock_guard lock(L.tableMutex);
      cam = std::move(L.cameras[static_cast<size_t>(k)]);
    }
    if (!cam) continue;
    cam->grabber->store()->release();
    if (cam->source) cam->source->quiesce();
    if (cam->dev.device) gst_object_unref(cam->dev.device);
    cam->dev.device = nullptr;
  }
  if (L.bus) gst_object_unref(L.bus);
  L.bus = nullptr;
  if (L.clock) gst_object_unref(L.clock);
  L.clock = nullptr;
}

std::string firstFrameLate() { return "no first frame within " + std::to_string(lib().firstFrameMs.load()) + " ms"; }

// After camera k's start failed: the mode to try next, another try, or none.
bool tryAgain(int k, Camera& cam, int round) {
  const bool lighter = cam.failure.load() == Failure::Lighter;
  std::string why;
  {
    std::lock_guard lock(lib().tableMutex);
    why = !cam.error.empty() ? cam.error
                             : cam.device + ": " + (cam.code == 19 ? "would not start" : firstFrameLate());
  }
  if (lighter) {
    const ChosenMode next = lighterMode(cam.offered, cam.mode, requestedRate(), 100.0, cam.sideBySide ? 2 : 1);
    if (next.found && cam.lighter < kLighter) {
      ++cam.lighter;
      cam.mode = next;
      rozoru::logEvent("camera " + std::to_string(k) + ": " + why + "; trying " + describe(next));
      return true;
    }
    return false;
  }
  // Building failed: that will not change by trying again.
  if (cam.code != 0 && cam.code != 19 && cam.code != 21) return false;
  if (++cam.tries >= kTries) return false;
  rozoru::logEvent("start failed (attempt " + std::to_string(round) + " of 3): camera " + std::to_string(k) + " = " +
                   why);
  return true;
}

// One stderr line with the state each camera ended in.
void reportCameras(int count) {
  Library& L = lib();
  std::string text;
  for (int k = 0; k < count; ++k) {
    auto cam = camera(k);
    if (!cam) continue;
    std::string s = "camera " + std::to_string(k);
    if (cam->grabber->store()->state.load() == RYK_CAMERA_STREAMING) {
      auto owner = cam->sideBySide && !cam->right ? camera(cam->partner) : cam;
      s += " streams " + describe(owner ? owner->mode : cam->mode);
      if (cam->sideBySide) s += cam->right ? " (right half)" : " (left half)";
    } else {
      std::lock_guard lock(L.tableMutex);
      s += " failed: " + cam->error;
    }
    text += (text.empty() ? "" : "; ") + s;
  }
  if (!text.empty()) rozoru::logEvent("cameras started: " + text);
}

int openCameras(double fps) {
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
  L.fps = fps;
  std::vector<Device> devices;
  const int listed = listDevices(devices);
  if (listed) return listed;

  std::vector<DeviceInfo> infos;
  for (const Device& d : devices) infos.push_back(d.info);
  std::vector<std::string> names;
  std::vector<bool> marked;
  parseCameraList(selectedCameras(), names, marked);  // stored only when it parsed
  const CameraChoice choice = chooseCameras(infos, names, RYK_MAX_CAMERAS);
  if (!choice.error.empty()) {
    releaseDevices(devices);
    rozoru::logEvent("cameras not chosen: " + choice.error);
    return 22;
  }
  // Camera numbers: one a device, two for a side-by-side device (its right
  // half first: the right eye).
  std::vector<int> owners;
  int count = 0;
  std::string chosen;
  for (size_t i = 0; i < choice.cameras.size(); ++i) {
    const Device& d = devices[static_cast<size_t>(choice.cameras[i])];
    std::vector<OfferedMode> modes = modesOf(d);
    const bool sbs = (i < marked.size() && marked[i]) || isSideBySide(modes);
    if (count + (sbs ? 2 : 1) > RYK_MAX_CAMERAS) break;
    auto cam = newCamera(count, d);
    cam->offered = std::move(modes);
    chosen += (chosen.empty() ? "" : "; ") + std::string("camera ") + std::to_string(count) + " = " +
              describeDevice(d.info);
    owners.push_back(count);
    if (sbs) {
      auto left = newCamera(count + 1, d);
      cam->sideBySide = left->sideBySide = true;
      cam->partner = count + 1;
      left->partner = count;
      left->right = false;
      cam->device += " (right half)";
      left->device += " (left half)";
      chosen += " (right half); camera " + std::to_string(count + 1) + " = its left half";
    }
    count += sbs ? 2 : 1;
  }
  releaseDevices(devices);
  if (count == 0) return 8;
  rozoru::logEvent("cameras chosen: " + chosen);
  ryk_count = count;
  startBus();

  // Rounds: start what is pending, wait for its first frames with one
  // deadline, then try the failed ones again or give up on them.
  std::vector<int> pending = owners;
  int round = 0;
  while (!pending.empty() && !L.closing) {
    L.attempts = ++round;
    std::vector<int> started;
    for (int k : pending)
      if (startCamera(k) == 0) started.push_back(k);
    const auto deadline = Clock::now() + std::chrono::milliseconds(L.firstFrameMs.load());
    for (int k : started) {
      auto cam = camera(k);
      // Both halves of a side-by-side device, the right one first.
      if (cam->grabber->store()->waitStart(deadline))
        if (auto left = camera(cam->partner)) left->grabber->store()->waitStart(deadline);
    }
    if (L.closing) break;
    std::vector<int> next;
    for (int k : pending) {
      auto cam = camera(k);
      auto store = cam->grabber->store();
      if (store->state.load() == RYK_CAMERA_STREAMING) continue;
      if (cam->code == 0) cam->code = 21;
      const bool again = tryAgain(k, *cam, round);
      stopCamera(k);
      if (again) {
        cam->code = 0;
        next.push_back(k);
        std::lock_guard lock(L.tableMutex);
        cam->error.clear();
        continue;
      }
      // Given up: it stays in the table, failed, with why.
      {
        std::lock_guard lock(L.tableMutex);
        if (cam->error.empty())
          cam->error = cam->device + ": " + (cam->code == 19 ? "would not start" : firstFrameLate());
        if (cam->partner >= 0)
          if (auto other = L.cameras[static_cast<size_t>(cam->partner)]) other->error = cam->error;
      }
      store->fail();
      if (auto other = camera(cam->partner)) other->grabber->store()->fail();
    }
    pending = std::move(next);
  }
  if (L.closing) return 21;
  reportCameras(count);
  int code = 0;
  bool any = false;
  for (int k = 0; k < count; ++k) {
    auto cam = camera(k);
    std::shared_ptr<CameraControls> controls;
    {
      std::lock_guard lock(L.tableMutex);
      controls = cam->controls;
    }
    for (int p = 0; p < RYK_PROPERTIES; ++p) ryk_available[k][p] = controls ? controls->available(p) : 0;
    any = any || cam->grabber->store()->state.load() == RYK_CAMERA_STREAMING;
    if (!code && cam->code) code = cam->code;
  }
  if (!any) return code ? code : 21;
  L.running = true;
  watchArrivals();
  return 0;
}

}  // namespace

void stopCamera(int k) {
  auto cam = camera(k);
  if (!cam) return;
  // Whatever the old chain still reports is of no interest.
  cam->generation.fetch_add(1);
  if (cam->pipeline) {
    stopPipeline(cam->pipeline);
    gst_object_unref(cam->pipeline);
    cam->pipeline = nullptr;
  }
  std::shared_ptr<SourceRuntime> rt;
  {
    std::lock_guard lock(lib().tableMutex);
    rt = cam->source;
  }
  if (rt) rt->quiesce();
}

int startCamera(int k) {
  Library& L = lib();
  auto cam = camera(k);
  if (!cam) return 9;
  stopCamera(k);
  const unsigned gen = cam->generation.fetch_add(1) + 1;
  cam->failure = Failure::None;
  cam->code = 0;
  cam->grabber->store()->restart();
  auto other = camera(cam->partner);
  if (other) other->grabber->store()->restart();
  auto failed = [&](int code, Failure why) {
    cam->code = code;
    cam->failure = why;
    return code;
  };
  char name[32];
  std::snprintf(name, sizeof name, "ryk-camera-%d", k);
  GstElement* pipeline = gst_pipeline_new(name);
  if (!pipeline) return failed(3, Failure::Other);
  // One clock and one base time for every chain, also one restarted later:
  // buffer time + base time is the capture's clock time.
  gst_pipeline_use_clock(GST_PIPELINE(pipeline), L.clock);
  gst_element_set_start_time(pipeline, GST_CLOCK_TIME_NONE);
  gst_element_set_base_time(pipeline, L.baseTime);
  forwardChainBus(pipeline, k, gen);
  cam->pipeline = pipeline;
  GstElement* src = makeSource(k, *cam);
  if (!src) return failed(7, Failure::Other);
  if (!gst_bin_add(GST_BIN(pipeline), src)) return failed(7, Failure::Other);
  if (const int r = buildChain(pipeline, k, *cam, src)) return failed(r, r == 15 ? Failure::Lighter : Failure::Other);
  if (other) {
    std::lock_guard lock(L.tableMutex);
    other->controls = cam->controls;
  }
  detail::beforeStreaming();
  if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
    // An error on its bus (no bus bandwidth, busy, ...) already said why.
    return failed(19, cam->failure.load() == Failure::None ? Failure::Other : cam->failure.load());
  return 0;
}

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
  L.attempts = 1;
  {
    std::lock_guard t(L.tableMutex);
    for (auto& g : L.grabbers) g.reset();
  }
  for (auto& g : ryk_grabber) g = nullptr;
  ryk_count = 0;
  int code = ryk::openCameras(fps);
  if (code == 0 && !L.closing) {
    ryk_ready = 1;
    return 0;
  }
  if (code == 0) code = 21;  // closed while starting
  ryk::closeAll();
  ryk_count = 0;
  return code;
}

int ryk_Close() {
  auto& L = lib();
  // A start still waiting for its first frames gives up at once.
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
  ryk::closeAll();
  ryk_ready = 0;
  return 0;
}
