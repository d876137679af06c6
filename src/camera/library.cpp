// ryk_Open, ryk_Close and the property operations over GStreamer and V4L2.
//
// One pipeline holds every camera's chain, so all sample times share one
// clock and base time:
//   source ! capsfilter (320x240 at the rate; JPEG when the camera offers it)
//          ! [jpegdec] ! videoconvert ! videoscale ! appsink (BGRx 320x240)
// The appsink calls the camera's grabber on the streaming thread. A bus
// thread notes errors per camera and runs the watchdog with timed waits.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "camera/devices.h"
#include "camera/frame_store.h"
#include "camera/handover.h"
#include "camera/library.h"
#include "camera/optics.h"
#include "camera/scene.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"
#include "shell/core/event_log.h"

namespace ryk {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Per-camera runtime of a synthetic source, shared with its pad probe.
struct SyntheticRuntime {
  std::shared_ptr<SimulatedNode> node;
  GstElement* source = nullptr;  // the test source, for error reports (owned by the pipeline)
  std::atomic<bool> silent{false};
  std::atomic<bool> unplugged{false};
  std::atomic<bool> reportError{false};
  std::atomic<bool> errorPosted{false};
  // Held by the probe while it works: the clean-up takes it once after the
  // pipeline stopped, which orders the streaming thread's last use before the
  // free in a way that thread checkers see (GStreamer's own join is not).
  std::mutex mutex;
  std::vector<std::uint8_t> scratch;  // streaming thread only
  bool scene = false;  // draws the stereo scene; set before streaming starts
  double eye = 0.0;    // its eye position in metres
};

struct Camera {
  std::shared_ptr<ryk_SampleGrabberCB> grabber;
  std::shared_ptr<CameraControls> controls;
  std::shared_ptr<SimulatedNode> simulated;
  std::shared_ptr<SyntheticRuntime> synthetic;
  std::string displayName;
  std::string error;  // guarded by Library::tableMutex
};

// One listed device and how to make its source.
struct Device {
  DeviceInfo info;
  std::string displayName;
  GstDevice* device = nullptr;  // held reference for discovered devices
  int synthetic = -1;           // index into the registered synthetic cameras
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
  bool useSynthetic = false;
  std::vector<SyntheticCamera> synthetic;
  std::vector<int> syntheticOpens;  // attempts each registered camera has seen
  PropertyPageHandler pageHandler;
  std::atomic<int> firstFrameMs{3000};
  std::atomic<int> watchdogMs{1000};
  std::atomic<int> attempts{0};
};

Library& lib() {
  static Library* l = new Library;  // never destroyed: a late Close at exit may still use it
  return *l;
}

std::string cameraName(int k) {
  char name[32];
  std::snprintf(name, sizeof name, "Video Capture %d", k);
  return name;
}

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

// ---- Discovery ----------------------------------------------------------

std::string stringProp(const GstStructure* s, const char* key) {
  const gchar* v = s ? gst_structure_get_string(s, key) : nullptr;
  return v ? v : "";
}

// 0, or 4 (no monitor) / 5 (nothing listed).
int listSystemDevices(std::vector<Device>& out) {
  GstDeviceMonitor* monitor = gst_device_monitor_new();
  if (!monitor) return 4;
  gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
  // Camera-stack providers may hide the plain V4L2 one; we want every listing.
  gst_device_monitor_set_show_all_devices(monitor, TRUE);
  if (!gst_device_monitor_start(monitor)) {
    gst_object_unref(monitor);
    return 5;
  }
  GList* devices = gst_device_monitor_get_devices(monitor);
  gst_device_monitor_stop(monitor);
  std::vector<Device> listed;
  for (GList* l = devices; l; l = l->next) {
    GstDevice* d = GST_DEVICE(l->data);
    Device dev;
    gchar* name = gst_device_get_display_name(d);
    dev.info.name = name ? name : "";
    g_free(name);
    GstStructure* props = gst_device_get_properties(d);
    dev.info.nodePath = stringProp(props, "api.v4l2.path");
    if (dev.info.nodePath.empty()) dev.info.nodePath = stringProp(props, "device.path");
    if (dev.info.nodePath.rfind("/dev/video", 0) != 0) dev.info.nodePath.clear();
    dev.info.busPath = stringProp(props, "device.bus_path");
    if (props) gst_structure_free(props);
    dev.info.provider = G_OBJECT_TYPE_NAME(d);
    dev.device = GST_DEVICE(gst_object_ref(d));
    listed.push_back(std::move(dev));
  }
  g_list_free_full(devices, gst_object_unref);
  gst_object_unref(monitor);

  // Order and de-duplicate on the plain descriptions, then carry the devices along.
  std::vector<DeviceInfo> infos;
  for (const Device& d : listed) infos.push_back(d.info);
  std::vector<DeviceInfo> ordered = orderDevices(infos);
  std::vector<bool> used(listed.size(), false);
  for (const DeviceInfo& info : ordered) {
    for (size_t i = 0; i < listed.size(); ++i) {
      if (used[i] || listed[i].info.name != info.name || listed[i].info.nodePath != info.nodePath ||
          listed[i].info.provider != info.provider)
        continue;
      used[i] = true;
      listed[i].displayName = displayNameFor(info);
      out.push_back(listed[i]);
      listed[i].device = nullptr;
      break;
    }
  }
  for (Device& d : listed)
    if (d.device) gst_object_unref(d.device);
  return out.empty() ? 5 : 0;
}

int listDevices(std::vector<Device>& out) {
  Library& L = lib();
  if (!L.useSynthetic) return listSystemDevices(out);
  for (size_t i = 0; i < L.synthetic.size(); ++i) {
    Device d;
    d.synthetic = static_cast<int>(i);
    d.info.provider = "synthetic";
    d.info.name = "Synthetic Camera " + std::to_string(i);
    d.displayName = L.synthetic[i].displayName.empty()
                        ? std::string(RYK_CAMERA_TAG) + ":synthetic/" + std::to_string(i)
                        : L.synthetic[i].displayName;
    out.push_back(d);
  }
  return out.empty() ? 5 : 0;
}

void releaseDevices(std::vector<Device>& devices) {
  for (Device& d : devices)
    if (d.device) gst_object_unref(d.device);
  devices.clear();
}

// ---- Sources --------------------------------------------------------------

GstPadProbeReturn syntheticProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
  [[maybe_unused]] const detail::StreamingCallback handOver;
  auto* rt = static_cast<std::shared_ptr<SyntheticRuntime>*>(data)->get();
  std::lock_guard lock(rt->mutex);
  if (rt->unplugged) {
    if (rt->reportError && !rt->errorPosted.exchange(true)) {
      GError* err = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                        "Could not read from resource: the camera was unplugged.");
      gst_element_post_message(rt->source, gst_message_new_error(GST_OBJECT(rt->source), err, "synthetic unplug"));
      g_error_free(err);
    }
    return GST_PAD_PROBE_DROP;
  }
  if (rt->silent) return GST_PAD_PROBE_DROP;
  GstBuffer* buf = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = buf;
  GstMapInfo map;
  if (gst_buffer_map(buf, &map, GST_MAP_READWRITE)) {
    if (map.size >= static_cast<gsize>(RYK_FRAME_BYTES)) {
      if (rt->scene) {
        // The scene moves with the stream's own time, so that every camera
        // of the pipeline shows the same moment in frames of the same time.
        const GstClockTime pts = GST_BUFFER_PTS(buf);
        const double seconds = GST_CLOCK_TIME_IS_VALID(pts) ? static_cast<double>(pts) / 1e9 : 0.0;
        renderStereoScene(map.data, RYK_WIDTH, RYK_HEIGHT, RYK_WIDTH * 4, seconds, rt->eye);
      }
      applyOptics(map.data, RYK_WIDTH, RYK_HEIGHT, RYK_WIDTH * 4, rt->node->optics(), rt->scratch);
    }
    gst_buffer_unmap(buf, &map);
  }
  return GST_PAD_PROBE_OK;
}

// A bin "Video Capture <k>": live test source ! BGRx 320x240 at the rate, and
// a probe that applies the simulated controls.
GstElement* makeSyntheticSource(int k, const SyntheticCamera& spec, int fpsN, int fpsD,
                                const std::shared_ptr<SyntheticRuntime>& rt) {
  GstElement* bin = gst_bin_new(cameraName(k).c_str());
  GstElement* src = gst_element_factory_make("videotestsrc", nullptr);
  GstElement* caps = gst_element_factory_make("capsfilter", nullptr);
  if (!bin || !src || !caps) {
    for (GstElement* e : {bin, src, caps})
      if (e) gst_object_unref(e);
    return nullptr;
  }
  g_object_set(src, "is-live", TRUE, nullptr);
  // A scene camera draws over every frame: the cheapest pattern underneath.
  gst_util_set_object_arg(G_OBJECT(src), "pattern", rt->scene ? "black" : spec.pattern.c_str());
  GstCaps* c = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, RYK_WIDTH,
                                   "height", G_TYPE_INT, RYK_HEIGHT, "framerate", GST_TYPE_FRACTION, fpsN, fpsD, nullptr);
  g_object_set(caps, "caps", c, nullptr);
  gst_caps_unref(c);
  gst_bin_add_many(GST_BIN(bin), src, caps, nullptr);
  if (!gst_element_link(src, caps)) {
    gst_object_unref(bin);
    return nullptr;
  }
  GstPad* pad = gst_element_get_static_pad(caps, "src");
  gst_element_add_pad(bin, gst_ghost_pad_new("src", pad));
  rt->source = src;
  gst_pad_add_probe(
      pad, GST_PAD_PROBE_TYPE_BUFFER, syntheticProbe, new std::shared_ptr<SyntheticRuntime>(rt),
      [](gpointer p) { delete static_cast<std::shared_ptr<SyntheticRuntime>*>(p); });
  gst_object_unref(pad);
  return bin;
}

// ---- Streaming ------------------------------------------------------------

GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
  [[maybe_unused]] const detail::StreamingCallback handOver;
  auto* grabber = static_cast<std::shared_ptr<ryk_SampleGrabberCB>*>(data)->get();
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (!sample) return GST_FLOW_OK;
  GstBuffer* buf = gst_sample_get_buffer(sample);
  GstMapInfo map;
  if (buf && gst_buffer_map(buf, &map, GST_MAP_READ)) {
    // Clock time of capture: running time plus the pipeline's base time, the
    // same for every camera.
    GstClockTime t = GST_BUFFER_PTS(buf);
    const GstClockTime base = gst_element_get_base_time(GST_ELEMENT(sink));
    if (!GST_CLOCK_TIME_IS_VALID(t)) {
      GstClock* clock = gst_element_get_clock(GST_ELEMENT(sink));
      t = clock ? gst_clock_get_time(clock) - base : 0;
      if (clock) gst_object_unref(clock);
    }
    grabber->BufferCB(static_cast<double>(base + t) / GST_SECOND, map.data, static_cast<long>(map.size));
    gst_buffer_unmap(buf, &map);
  }
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

std::shared_ptr<Camera> camera(int k) {
  if (k < 0 || k >= RYK_MAX_CAMERAS) return nullptr;
  Library& L = lib();
  std::lock_guard lock(L.tableMutex);
  return L.cameras[static_cast<size_t>(k)];
}

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
        const std::string why = err && err->message ? err->message : "error";
        if (auto cam = camera(k)) {
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

// Everything an attempt made, for its clean-up.
struct Attempt {
  GstElement* pipeline = nullptr;
  GstBus* bus = nullptr;
  std::vector<Device> devices;
};

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
    if (cam && cam->synthetic) std::lock_guard ordered(cam->synthetic->mutex);
    ryk_frame[k] = nullptr;
  }
}

// The caps right after the source: JPEG at 320x240 when the camera has it
// (two cameras on one USB controller need the smaller stream), else raw at
// 320x240, else whatever size the camera has (videoscale fits it).
GstCaps* chooseCaps(GstCaps* offered, int fpsN, int fpsD, bool& jpeg) {
  const char* kinds[] = {"image/jpeg", "video/x-raw"};
  for (int sized = 1; sized >= 0; --sized) {
    for (int rated = 1; rated >= 0; --rated) {
      for (const char* kind : kinds) {
        GstCaps* c = gst_caps_new_empty_simple(kind);
        if (sized) gst_caps_set_simple(c, "width", G_TYPE_INT, RYK_WIDTH, "height", G_TYPE_INT, RYK_HEIGHT, nullptr);
        if (rated) gst_caps_set_simple(c, "framerate", GST_TYPE_FRACTION, fpsN, fpsD, nullptr);
        if (!offered || gst_caps_can_intersect(offered, c)) {
          jpeg = std::strcmp(kind, "image/jpeg") == 0;
          if (!offered && jpeg) {
            gst_caps_unref(c);
            continue;  // a source that says nothing gets raw
          }
          return c;
        }
        gst_caps_unref(c);
      }
    }
  }
  return nullptr;
}

GstElement* make(const char* factory, int k, const char* role) {
  char name[48];
  std::snprintf(name, sizeof name, "cam%d-%s", k, role);
  return gst_element_factory_make(factory, name);
}

int buildCamera(Attempt& a, int k, const Device& dev, GstElement* source, int fpsN, int fpsD,
                std::shared_ptr<SyntheticRuntime> synthetic) {
  Library& L = lib();
  ryk_width[k] = RYK_WIDTH;
  ryk_height[k] = RYK_HEIGHT;
  GstElement* capsf = make("capsfilter", k, "caps");
  GstElement* convert = make("videoconvert", k, "convert");
  GstElement* scale = make("videoscale", k, "scale");
  if (!capsf || !convert || !scale) {
    for (GstElement* e : {capsf, convert, scale})
      if (e) gst_object_unref(e);
    return 9;
  }
  gst_bin_add_many(GST_BIN(a.pipeline), capsf, convert, scale, nullptr);

  GstCaps* offered = dev.device ? gst_device_get_caps(dev.device) : nullptr;
  if (dev.device && !offered) return 10;
  bool jpeg = false;
  GstCaps* wanted = chooseCaps(offered, fpsN, fpsD, jpeg);
  GstElement* decoder = nullptr;
  if (wanted && jpeg) {
    decoder = make("jpegdec", k, "decode");
    if (!decoder) {  // no decoder installed: take the raw mode if the camera has one
      gst_caps_unref(wanted);
      GstCaps* raw = gst_caps_copy(offered);
      GstCaps* rawOnly = gst_caps_new_empty_simple("video/x-raw");
      GstCaps* x = gst_caps_intersect(raw, rawOnly);
      gst_caps_unref(raw);
      gst_caps_unref(rawOnly);
      wanted = gst_caps_is_empty(x) ? nullptr : chooseCaps(x, fpsN, fpsD, jpeg);
      gst_caps_unref(x);
    }
  }
  if (offered) gst_caps_unref(offered);
  if (!wanted) {
    rozoru::logEvent("camera " + std::to_string(k) + " (" + dev.displayName + "): no usable video mode");
    return 11;
  }
  gchar* mode = gst_caps_to_string(wanted);
  rozoru::logEvent("camera " + std::to_string(k) + ": " + dev.info.name + " (" + dev.displayName + "), mode " + mode);
  g_free(mode);
  g_object_set(capsf, "caps", wanted, nullptr);
  gst_caps_unref(wanted);
  if (decoder) gst_bin_add(GST_BIN(a.pipeline), decoder);

  GstElement* sink = make("appsink", k, "grabber");
  if (!sink) return 12;
  GstCaps* bgrx = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, RYK_WIDTH,
                                      "height", G_TYPE_INT, RYK_HEIGHT, nullptr);
  if (!bgrx) {
    gst_object_unref(sink);
    return 13;
  }
  // Newest frame wins; the sink neither waits for the clock nor prerolls, so
  // one silent camera cannot hold the others back.
  g_object_set(sink, "caps", bgrx, "sync", FALSE, "async", FALSE, "max-buffers", 1u, "drop", TRUE,
               "enable-last-sample", FALSE, nullptr);
  gst_caps_unref(bgrx);
  if (!gst_bin_add(GST_BIN(a.pipeline), sink)) return 14;
  const bool linked = decoder ? gst_element_link_many(source, capsf, decoder, convert, scale, sink, nullptr)
                              : gst_element_link_many(source, capsf, convert, scale, sink, nullptr);
  if (!linked) return 15;

  auto cam = std::make_shared<Camera>();
  cam->displayName = dev.displayName;
  cam->grabber = std::make_shared<ryk_SampleGrabberCB>(k);
  ryk_frameBytes[k] = 0;
  ryk_frameTime[k] = 0.0;
  ryk_frame[k] = cam->grabber->store()->pixels.get();
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = onNewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new std::shared_ptr<ryk_SampleGrabberCB>(cam->grabber),
                             [](gpointer p) { delete static_cast<std::shared_ptr<ryk_SampleGrabberCB>*>(p); });

  if (synthetic) {
    cam->simulated = synthetic->node;
    cam->synthetic = synthetic;
    cam->controls = std::make_shared<CameraControls>(synthetic->node);
  } else if (!dev.info.nodePath.empty()) {
    int err = 0;
    if (auto node = openV4l2Node(dev.info.nodePath, &err)) cam->controls = std::make_shared<CameraControls>(std::move(node));
  }
  for (int p = 0; p < RYK_PROPERTIES; ++p) ryk_available[k][p] = cam->controls ? cam->controls->available(p) : 0;
  {
    std::lock_guard lock(L.tableMutex);
    L.cameras[static_cast<size_t>(k)] = cam;
    L.grabbers[static_cast<size_t>(k)] = cam->grabber;
  }
  ryk_grabber[k] = cam->grabber.get();
  return 0;
}

int attemptOpen(double fps, Attempt& a) {
  Library& L = lib();
  GError* err = nullptr;
  if (!gst_init_check(nullptr, nullptr, &err)) {
    if (err) g_error_free(err);
    return 2;
  }
  for (int k = 0; k < RYK_MAX_CAMERAS; ++k) {
    ryk_frame[k] = nullptr;
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

  std::vector<std::string> names;
  for (const Device& d : a.devices) names.push_back(d.displayName);
  const std::vector<int> picked = selectCameras(names, RYK_MAX_CAMERAS);
  ryk_count = 0;
  std::vector<GstElement*> sources;
  std::vector<std::shared_ptr<SyntheticRuntime>> runtimes;
  for (int i : picked) {
    const Device& d = a.devices[static_cast<size_t>(i)];
    const int k = static_cast<int>(sources.size());
    GstElement* src = nullptr;
    std::shared_ptr<SyntheticRuntime> rt;
    if (d.synthetic >= 0) {
      const auto s = static_cast<size_t>(d.synthetic);
      rt = std::make_shared<SyntheticRuntime>();
      // A scene camera's disparity is in the scene itself: its shift is the
      // eye position (millimetres), not a sideways move of the picture.
      rt->scene = L.synthetic[s].pattern == kScenePattern;
      rt->eye = rt->scene ? L.synthetic[s].shift / 1000.0 : 0.0;
      rt->node = std::make_shared<SimulatedNode>(rt->scene ? 0 : L.synthetic[s].shift);
      rt->silent = ++L.syntheticOpens[s] <= L.synthetic[s].silentOpens;
      src = makeSyntheticSource(k, L.synthetic[s], fpsN, fpsD, rt);
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

}  // namespace

// ---- Registration, internals ------------------------------------------------

void useSyntheticCameras(std::vector<SyntheticCamera> cameras) {
  Library& L = lib();
  std::lock_guard lock(L.lock);
  L.useSynthetic = true;
  L.syntheticOpens.assign(cameras.size(), 0);
  L.synthetic = std::move(cameras);
}

void useSyntheticCameras(int n) {
  std::vector<SyntheticCamera> cams(static_cast<size_t>(std::max(0, n)));
  if (cams.size() >= 2) {
    cams[0].shift = -6;  // camera 0 is the right eye
    cams[1].shift = 6;
  }
  useSyntheticCameras(std::move(cams));
}

void useStereoDemoCameras() {
  // 13 cm apart: the beach ball (1.55-2.35 m) is 15-23 pixels apart in the
  // two pictures, the wall (12 m) 3 pixels.
  std::vector<SyntheticCamera> cams(2);
  for (auto& c : cams) c.pattern = kScenePattern;
  cams[0].shift = 65;  // camera 0 is the right eye
  cams[1].shift = -65;
  useSyntheticCameras(std::move(cams));
}

void useRealCameras() {
  Library& L = lib();
  std::lock_guard lock(L.lock);
  L.useSynthetic = false;
  L.synthetic.clear();
  L.syntheticOpens.clear();
}

bool unplugSyntheticCamera(int k, bool reportError) {
  auto cam = camera(k);
  if (!cam || !cam->synthetic) return false;
  cam->synthetic->reportError = reportError;
  cam->synthetic->unplugged = true;
  return true;
}

void setPropertyPageHandler(PropertyPageHandler handler) {
  Library& L = lib();
  std::lock_guard lock(L.lock);
  L.pageHandler = std::move(handler);
}

std::shared_ptr<CameraControls> cameraControls(int k) {
  auto cam = camera(k);
  return cam ? cam->controls : nullptr;
}

std::string deviceName(int k) {
  auto cam = camera(k);
  return cam ? cam->displayName : "";
}

std::shared_ptr<SimulatedNode> simulatedNode(int k) {
  auto cam = camera(k);
  return cam ? cam->simulated : nullptr;
}

namespace detail {
void setFirstFrameLimit(std::chrono::milliseconds limit) { lib().firstFrameMs = static_cast<int>(limit.count()); }
void setWatchdogLimit(std::chrono::milliseconds limit) { lib().watchdogMs = static_cast<int>(limit.count()); }
int lastOpenAttempts() { return lib().attempts.load(); }
std::uint64_t framesDelivered(int k) {
  auto cam = camera(k);
  return cam ? cam->grabber->store()->frames.load() : 0;
}
}  // namespace detail

}  // namespace ryk

using ryk::lib;

int ryk_UseSyntheticCameras(int n) {
  if (ryk_ready) return 1;
  ryk::useSyntheticCameras(n);
  return 0;
}

int ryk_UseStereoDemoCameras() {
  if (ryk_ready) return 1;
  ryk::useStereoDemoCameras();
  return 0;
}

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

namespace {

// 0, or the code of the common checks.
int check(int p, int k) {
  if (!ryk_ready || k < 0 || k >= ryk_count) return 1;
  if (static_cast<unsigned>(p) > 16u) return 2;
  if (!ryk_available[k][p]) return 3;
  return 0;
}

}  // namespace

double ryk_GetProperty(int p, int k, int* automatic) {
  std::lock_guard lock(lib().lock);
  if (check(p, k)) return -1.0;
  auto controls = ryk::cameraControls(k);
  return controls ? controls->get(p, automatic) : -1.0;
}

int ryk_SetProperty(double percent, int p, int k) {
  std::lock_guard lock(lib().lock);
  if (const int c = check(p, k)) return c;
  auto controls = ryk::cameraControls(k);
  return controls ? controls->set(p, percent) : 3;
}

int ryk_SetPropertyAuto(int p, int k) {
  std::lock_guard lock(lib().lock);
  if (const int c = check(p, k)) return c;
  auto controls = ryk::cameraControls(k);
  return controls ? controls->setAuto(p) : 3;
}

int ryk_ShowPropertyPage(int k) {
  ryk::PropertyPageHandler handler;
  std::shared_ptr<ryk::CameraControls> controls;
  {
    std::lock_guard lock(lib().lock);
    if (!ryk_ready || k < 0 || k >= ryk_count) return 1;
    handler = lib().pageHandler;
    controls = ryk::cameraControls(k);
  }
  if (!handler || !controls) return 2;
  int err = 0;
  (void)controls->list(&err);
  if (err) return 3;
  // The library lock is not held while the dialog is open: the cameras keep
  // streaming and a Close from the GUI thread is not held up.
  return handler(k, ryk::cameraName(k), controls);
}

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
