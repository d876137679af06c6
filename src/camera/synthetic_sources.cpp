// The synthetic cameras (ryk_synthetic, linked by the demo, tests and
// benchmarks, not by the product): a source maker registered with the
// library that lists software cameras and makes for each a live test source
// whose pad probe draws the stereo scene and applies the simulated controls.
#include "camera/synthetic_sources.h"

#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "camera/handover.h"
#include "camera/optics.h"
#include "camera/scene.h"
#include "camera/source_hook.h"
#include "ryk/ryk.h"
#include "ryk/synthetic.h"

namespace ryk {

namespace {

// Per-camera runtime of a synthetic source, shared with its pad probe.
struct SyntheticRuntime final : SourceRuntime {
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
  // With phases: frames are timed and sent at n periods + phase of running
  // time. Set before streaming starts.
  bool phased = false;
  GstClockTime phase = 0;
  GstClockTime period = 0;

  std::shared_ptr<ControlNode> controlNode() const override { return node; }
  void quiesce() override { std::lock_guard ordered(mutex); }
};

// Puts a frame on its camera's grid of n periods + phase of running time,
// the next slot at or after the time the source gave it, and holds it until
// the clock gets there. A live source times its first frame by the clock
// when it starts, so its own timestamp offset cannot set a phase; the grid
// makes phases exact whenever the cameras start. The wait is at most a
// period and the phase, also while the pipeline stops.
void putOnGrid(SyntheticRuntime& rt, GstBuffer* buf) {
  const GstClockTime pts = GST_BUFFER_PTS(buf);
  const GstClockTime slots = pts <= rt.phase ? 0 : (pts - rt.phase + rt.period - 1) / rt.period;
  GST_BUFFER_PTS(buf) = slots * rt.period + rt.phase;
  GstClock* clock = gst_element_get_clock(rt.source);
  if (!clock) return;
  GstClockID until = gst_clock_new_single_shot_id(clock, gst_element_get_base_time(rt.source) + GST_BUFFER_PTS(buf));
  gst_clock_id_wait(until, nullptr);
  gst_clock_id_unref(until);
  gst_object_unref(clock);
}

GstPadProbeReturn syntheticProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
  [[maybe_unused]] const detail::StreamingCallback handOver;
  auto* rt = static_cast<std::shared_ptr<SyntheticRuntime>*>(data)->get();
  std::lock_guard lock(rt->mutex);
  if (rt->unplugged) {
    if (rt->reportError && !rt->errorPosted.exchange(true)) {
      GError* err = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                        "Could not read from resource: the camera was unplugged.");
      gst_element_post_message(rt->source, gst_message_new_error(GST_OBJECT(rt->source), err,
                                                                 "synthetic unplug: system error: No such device"));
      g_error_free(err);
    }
    return GST_PAD_PROBE_DROP;
  }
  if (rt->silent) return GST_PAD_PROBE_DROP;
  GstBuffer* buf = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = buf;
  if (rt->phased && GST_BUFFER_PTS_IS_VALID(buf)) putOnGrid(*rt, buf);
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

// A bin named `name`: live test source ! BGRx 320x240 at the rate, and a
// probe that applies the simulated controls.
GstElement* makeSyntheticSource(const std::string& name, const SyntheticCamera& spec, int fpsN, int fpsD,
                                const std::shared_ptr<SyntheticRuntime>& rt) {
  GstElement* bin = gst_bin_new(name.c_str());
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

class SyntheticMaker final : public SourceMaker {
 public:
  explicit SyntheticMaker(std::vector<SyntheticCamera> cameras)
      : cameras_(std::move(cameras)), opens_(cameras_.size(), 0) {}

  std::vector<ListedSource> devices() const override {
    std::vector<ListedSource> out;
    for (size_t i = 0; i < cameras_.size(); ++i) {
      ListedSource d;
      d.info.provider = "synthetic";
      d.info.name = "Synthetic Camera " + std::to_string(i);
      d.displayName = cameras_[i].displayName.empty()
                          ? std::string(RYK_CAMERA_TAG) + ":synthetic/" + std::to_string(i)
                          : cameras_[i].displayName;
      // A camera sits at a USB port, which orders it; a software source has none.
      if (d.displayName.find(RYK_CAMERA_TAG) != std::string::npos)
        d.info.busInfo = cameras_[i].port.empty() ? "usb-synthetic-" + std::to_string(i + 1) : cameras_[i].port;
      out.push_back(d);
    }
    return out;
  }

  GstElement* makeSource(int, int index, const std::string& name, int fpsN, int fpsD,
                         std::shared_ptr<SourceRuntime>& runtime) override {
    const auto s = static_cast<size_t>(index);
    auto rt = std::make_shared<SyntheticRuntime>();
    // A scene camera's disparity is in the scene itself: its shift is the
    // eye position (millimetres), not a sideways move of the picture.
    rt->scene = cameras_[s].pattern == kScenePattern;
    rt->eye = rt->scene ? cameras_[s].shift / 1000.0 : 0.0;
    rt->node = std::make_shared<SimulatedNode>(rt->scene ? 0 : cameras_[s].shift);
    rt->silent = ++opens_[s] <= cameras_[s].silentOpens;
    // One camera with a phase puts them all on a grid, so that their phases
    // are exact whichever starts first.
    rt->phased = std::any_of(cameras_.begin(), cameras_.end(), [](const SyntheticCamera& c) { return c.phaseMs > 0; });
    rt->phase = static_cast<GstClockTime>(std::max(0.0, cameras_[s].phaseMs) * 1e6);
    rt->period = std::max<GstClockTime>(1, gst_util_uint64_scale_int(GST_SECOND, fpsD, std::max(1, fpsN)));
    runtime = rt;
    return makeSyntheticSource(name, cameras_[s], fpsN, fpsD, rt);
  }

 private:
  std::vector<SyntheticCamera> cameras_;
  std::vector<int> opens_;  // attempts each camera has seen; under the library lock
};

std::shared_ptr<SyntheticRuntime> runtimeOf(int k) {
  return std::dynamic_pointer_cast<SyntheticRuntime>(sourceRuntime(k));
}

}  // namespace

void useSyntheticCameras(std::vector<SyntheticCamera> cameras) {
  setSourceMaker(std::make_shared<SyntheticMaker>(std::move(cameras)));
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

void useRealCameras() { setSourceMaker(nullptr); }

bool unplugSyntheticCamera(int k, bool reportError) {
  auto rt = runtimeOf(k);
  if (!rt) return false;
  rt->reportError = reportError;
  rt->unplugged = true;
  return true;
}

std::shared_ptr<SimulatedNode> simulatedNode(int k) {
  auto rt = runtimeOf(k);
  return rt ? rt->node : nullptr;
}

}  // namespace ryk

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
